// Files that a reader finds either as they were or whole and on the disk: the report's three, the
// screenshot and captured frames. Plain C++ to its users; one implementation for POSIX, one for
// Win32 (atomic_file_posix.cpp, atomic_file_win32.cpp), chosen by the build.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace report {

struct FileContents {
    std::string path;
    std::string_view bytes;
};

// Which file could not be written, and why (the system's words, with the step when it was not
// the write itself).
struct FileFailure {
    std::string path;
    std::string reason;
};

// Writes the files as one set. Each is written whole under a temporary name of its own beside its
// path ("<path>.<16 hex digits>.partial"), made new: a name already there, a symbolic link
// included, is never opened or followed, another is tried. Each is flushed to the disk and closed;
// only when all are written are they renamed onto their paths (a link there is replaced, not
// followed) and their folders flushed. On failure returns false and removes the temporary files:
// the files already renamed stay (a rename failing between two is the one way to a mixed set).
bool WriteFiles(const std::vector<FileContents>& files, FileFailure& failure);

// Whether a file can be made beside path as WriteFiles makes one (it is removed again).
bool CanCreateBeside(const std::string& path, std::string& reason);

}  // namespace report
