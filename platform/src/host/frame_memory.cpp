#include "host/frame_memory.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <new>

namespace platform::host {

void FrameMemoryFree::operator()(std::uint16_t* pixels) const {
    if (sharedMemoryId >= 0) {
        shmdt(pixels);
    } else {
        delete[] pixels;
    }
}

FrameMemory AllocateFrameMemory(std::size_t count, bool shared) {
    if (shared) {
        // New segments are zeroed by the kernel.
        const int id = shmget(IPC_PRIVATE, count * sizeof(std::uint16_t), IPC_CREAT | 0600);
        void* address = id < 0 ? reinterpret_cast<void*>(-1) : shmat(id, nullptr, 0);
        if (id >= 0) shmctl(id, IPC_RMID, nullptr);
        if (address != reinterpret_cast<void*>(-1)) {
            return FrameMemory(static_cast<std::uint16_t*>(address), FrameMemoryFree{id});
        }
    }
    return FrameMemory(new (std::nothrow) std::uint16_t[count]());
}

}  // namespace platform::host
