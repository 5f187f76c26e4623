// The platform's own run options, read from the command line by the runtime's main before
// WinMain starts. Tests set them directly.
#pragma once

#include <cstdint>
#include <string>

#include "platform/pixel_format.h"

namespace platform {

// How frames reach an X11 window: as shared-memory pixmaps the X server shows at its vertical
// blanks (Present), through our own shared-memory images (SharedMemory), through SDL's renderer
// (Renderer, which may use a GPU), or the best of them that works (Auto).
enum class PresentPath { Auto, Present, SharedMemory, Renderer };

struct Options {
    bool windowed = false;   // a resizable window instead of full screen
    bool offscreen = false;  // the null host: no display needed
    bool vsync = true;       // flips wait for the display's refresh (60 Hz virtual display offscreen)
    std::uint32_t vramKb = 4096;
    PixelFormat pixelFormat = PixelFormat::Rgb565;
    PresentPath present = PresentPath::Auto;
    std::uint64_t frames = 0;  // end the run after this many presented frames; 0 runs until quit
    std::string screenshot;    // PNG of the last presented frame, written on exit
    std::string capture;       // directory receiving every presented frame as frame-NNNNNN.png
    std::string trace;         // JSON Lines file of frames and ticks
    bool verify = false;       // check every composed frame against the program's own re-drawing
    bool lockstep = false;     // the scene steps once per presented frame: the same frames every run
    std::string expect;        // the differences expected of this DirectDraw (--expect FILE)
    std::string report;        // directory receiving report.json, report.xml and report.html
    bool unattended = false;   // no message box waits for a person
};

const Options& CurrentOptions();
void SetOptions(const Options& options);

}  // namespace platform
