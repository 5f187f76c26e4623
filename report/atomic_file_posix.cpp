// atomic_file_os.h on POSIX: open(2) with O_EXCL and O_NOFOLLOW, fsync(2) of the file and of its
// folder, rename(2).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "report/atomic_file_os.h"

namespace report::os {

namespace {

// Writes all of bytes through short writes and interruptions; 0 or the errno.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
        } else if (written == 0 || errno != EINTR) {
            return written == 0 ? EIO : errno;
        }
    }
    return 0;
}

}  // namespace

Made WriteNewFile(const std::string& path, std::string_view bytes, std::string& reason) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) return Made::NameTaken;
        reason = std::strerror(errno);
        return Made::Failed;
    }
    int failure = WriteAll(fd, bytes);
    if (failure == 0 && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0) return Made::Written;
    ::unlink(path.c_str());
    reason = std::strerror(failure);
    return Made::Failed;
}

bool Rename(const std::string& from, const std::string& to, std::string& reason) {
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
    reason = std::strerror(errno);
    return false;
}

void Remove(const std::string& path) { ::unlink(path.c_str()); }

bool FlushFolder(const std::string& folder, std::string& reason) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    // A file system that cannot flush a folder (EINVAL) keeps its entries as it keeps them.
    const int failure = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    if (failure != 0) reason = std::strerror(failure);
    return failure == 0;
}

}  // namespace report::os
