// Old-style file access (_lopen, _lread, _lclose) over POSIX descriptors. Only descriptors that
// _lopen handed out are accepted, so a stray handle can never read or close someone else's file.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <unordered_set>

#include "winbase.h"

namespace {

// OF_READ is 0; the other two access modes Windows defines for _lopen.
constexpr int kOfWrite = 1;
constexpr int kOfReadWrite = 2;

struct OpenFiles {
    std::mutex mutex;
    std::unordered_set<int> descriptors;
};

OpenFiles& TheOpenFiles() {
    static auto* files = new OpenFiles();
    return *files;
}

bool IsOpen(HFILE file) {
    OpenFiles& files = TheOpenFiles();
    std::lock_guard lock(files.mutex);
    return files.descriptors.contains(file);
}

}  // namespace

HFILE WINAPI _lopen(LPCSTR path, int mode) {
    if (path == nullptr) return HFILE_ERROR;
    int flags = O_RDONLY;
    switch (mode & 3) {  // the sharing bits above have no POSIX counterpart and are ignored
        case OF_READ: flags = O_RDONLY; break;
        case kOfWrite: flags = O_WRONLY; break;
        case kOfReadWrite: flags = O_RDWR; break;
        default: return HFILE_ERROR;
    }
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return HFILE_ERROR;
    OpenFiles& files = TheOpenFiles();
    std::lock_guard lock(files.mutex);
    files.descriptors.insert(fd);
    return fd;
}

// Reads until `bytes` are read or the file ends; returns the count, (UINT)-1 on error.
UINT WINAPI _lread(HFILE file, LPVOID buffer, UINT bytes) {
    if (!IsOpen(file) || (buffer == nullptr && bytes > 0)) return static_cast<UINT>(HFILE_ERROR);
    auto* out = static_cast<char*>(buffer);
    UINT total = 0;
    while (total < bytes) {
        const ssize_t got = ::read(file, out + total, bytes - total);
        if (got < 0) {
            if (errno == EINTR) continue;
            return static_cast<UINT>(HFILE_ERROR);
        }
        if (got == 0) break;
        total += static_cast<UINT>(got);
    }
    return total;
}

// Returns 0 once the file is closed, HFILE_ERROR for a handle _lopen did not give out.
HFILE WINAPI _lclose(HFILE file) {
    {
        OpenFiles& files = TheOpenFiles();
        std::lock_guard lock(files.mutex);
        if (files.descriptors.erase(file) == 0) return HFILE_ERROR;
    }
    // After close() the descriptor is released even when it reports an error (Linux semantics).
    return ::close(file) == 0 ? 0 : HFILE_ERROR;
}
