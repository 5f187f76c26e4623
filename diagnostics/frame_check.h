// What the program provides to the targets besides WinMain: the scene's cycle and the frame check,
// which a target starts before WinMain when the run asks for it.
#pragma once

#include <cstdint>
#include <string>

namespace diagnostics {

// Frames in one full cycle of the scene when it steps once per frame (--lockstep): the tile
// phase, the walk right to the turn, the walk left to the other turn and back to the start.
std::uint64_t LockstepCycleFrames();

struct FrameCheckSettings {
    bool compare = false;   // --verify: every frame, picture and shown frame compared
    bool crc = false;       // each frame's CRC as read back, for the trace's lines and FrameCrc
    bool facts = false;     // the DirectDraw's capabilities noted for the report
    bool lockstep = false;  // every shown frame is checked, not one per refresh
    std::string expectFile;  // --expect: the differences expected of this DirectDraw
};

// Installs the frame check for this run. False, with the reason (naming the file's line), when
// the expectations cannot be read or name something the check does not know.
bool StartFrameCheck(const FrameCheckSettings& settings, std::string& error);

}  // namespace diagnostics
