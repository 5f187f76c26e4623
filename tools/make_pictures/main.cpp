// make_pictures <output dir>: paints the scene's pictures and writes them into the directory.
//
// What it writes:
//   background.bmp  640x480 24-bit dusk landscape with a castle and the road the creature walks on
//   gnoll.bmp       500x360 8-bit sheet of 14 walking frames of a spear-carrying gnoll (facing right)
//   fireball.bmp    384x64  8-bit sheet of 6 flickering fireball frames
//   vornhollow.ico  16/32/48 pixel icons of the fireball
//   vornhollow-N.png  the same icon drawing at N = 16, 32, 48 and 256 pixels, for desktop menus
//
// The output must be byte-for-byte identical on every run and machine, so the drawing uses only
// IEEE operations with exactly defined results; see deterministic_math.h.

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <system_error>

#include "background.h"
#include "fireball.h"
#include "gnoll.h"
#include "image_files.h"
#include "png_encoder.h"

int main(int argc, char** argv) {
    using namespace pictures;

    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures <output directory>\n");
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    const Palette gnollPalette = GnollPalette();
    const Palette firePalette = FirePalette();
    CheckKeySafety(gnollPalette, "gnoll.bmp");
    CheckKeySafety(firePalette, "fireball.bmp");

    bool ok = WriteFile(dir / "background.bmp", EncodeBmp24(PaintBackground(), kScreenW, kScreenH));
    ok = WriteFile(dir / "gnoll.bmp", EncodeBmp8(PaintGnollSheet(), gnollPalette)) && ok;
    ok = WriteFile(dir / "fireball.bmp", EncodeBmp8(PaintFireballSheet(), firePalette)) && ok;
    ok = WriteFile(dir / "vornhollow.ico", EncodeIco({PaintIcon(16), PaintIcon(32), PaintIcon(48)})) && ok;
    for (int size : {16, 32, 48, 256}) {
        const std::string name = "vornhollow-" + std::to_string(size) + ".png";
        ok = WriteFile(dir / name, EncodePng(PaintIcon(size))) && ok;
    }
    return ok ? 0 : 1;
}
