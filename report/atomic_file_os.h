// The system calls under atomic_file.cpp, one implementation per system.
#pragma once

#include <string>
#include <string_view>

namespace report::os {

enum class Made { Written, NameTaken, Failed };

// Makes path new (NameTaken when anything, a link included, is there: it is not touched), writes
// bytes whole, flushes them to the disk and closes it. A file made and not written whole is
// removed again.
Made WriteNewFile(const std::string& path, std::string_view bytes, std::string& reason);
// Renames from onto to, replacing a file or link at to.
bool Rename(const std::string& from, const std::string& to, std::string& reason);
void Remove(const std::string& path);
// Flushes a folder's entries (the renames) to the disk; where the system does that with the
// rename itself, nothing.
bool FlushFolder(const std::string& folder, std::string& reason);

}  // namespace report::os
