// Memory for surface pixels. The flip chain's buffers are System V shared memory where it can be
// had, so that an X server on this machine can read a flipped frame where it lies (XShmPresenter
// does, when the window has the frame's own pixels and size). Such a segment is marked for removal
// at once: it goes with its last detach, also when the process ends without freeing it (Linux
// lets the X server attach it meanwhile).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform::host {

struct FrameMemoryFree {
    int sharedMemoryId = -1;  // the segment, or -1 for heap memory
    void operator()(std::uint16_t* pixels) const;
};
using FrameMemory = std::unique_ptr<std::uint16_t[], FrameMemoryFree>;

// count zeroed pixels, in shared memory when asked for and possible, else on the heap; null when
// there is no memory.
FrameMemory AllocateFrameMemory(std::size_t count, bool shared);

}  // namespace platform::host
