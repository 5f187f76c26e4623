// libFuzzer target: a .bmp through every reader of untrusted bitmap bytes (DIB decoder, LoadImageA, palette loaders).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "ddraw/ddraw_control.h"
#include "display/display_context.h"
#include "gdi/dib_decoder.h"
#include "kernel/kernel_control.h"

namespace {

constexpr int kResourceId = 900;
constexpr std::size_t kFileHeaderBytes = 14;

// The file palette loader reads by name: one scratch file per process.
const std::string& ScratchPath() {
    static const std::string path = "/tmp/vh-bitmap-fuzz-" + std::to_string(::getpid()) + ".bmp";
    return path;
}

void LoadPalettes(const std::uint8_t* data, std::size_t size) {
    // No DirectDraw object: the palette is read and then not created, so nothing is kept.
    static DisplayContext* display = new DisplayContext();
    display->LoadPaletteFromBitmap("#900");
    if (std::FILE* file = std::fopen(ScratchPath().c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
        display->LoadPaletteFromBitmap(ScratchPath().c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::gdi::DecodeBmpFile(data, size);
    const std::uint8_t* packed = size > kFileHeaderBytes ? data + kFileHeaderBytes : data;
    const std::size_t packedSize = size > kFileHeaderBytes ? size - kFileHeaderBytes : 0;

    platform::resources::AddForTesting(RT_BITMAP, kResourceId, std::vector<unsigned char>(packed, packed + packedSize));
    if (HANDLE image = LoadImageA(nullptr, "#900", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)) {
        BITMAP description;
        GetObjectA(image, sizeof description, &description);
        DeleteObject(image);
    }
    LoadPalettes(data, size);
    return 0;
}
