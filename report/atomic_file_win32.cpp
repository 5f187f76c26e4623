// atomic_file_os.h on Win32: CreateFileA with CREATE_NEW (a reparse point at the name is not
// followed), FlushFileBuffers, and MoveFileExA, which writes the rename through to the disk.
#include <windows.h>

#include <string>

#include "report/atomic_file_os.h"

namespace report::os {

namespace {

std::string SystemMessage(DWORD code) {
    char text[512] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(code) : message;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD piece = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), piece, &written, nullptr)) return false;
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

Made WriteNewFile(const std::string& path, std::string_view bytes, std::string& reason) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return Made::NameTaken;
        reason = SystemMessage(code);
        return Made::Failed;
    }
    DWORD failure = WriteAll(file, bytes) && FlushFileBuffers(file) ? 0 : GetLastError();
    if (!CloseHandle(file) && failure == 0) failure = GetLastError();
    if (failure == 0) return Made::Written;
    DeleteFileA(path.c_str());
    reason = SystemMessage(failure);
    return Made::Failed;
}

bool Rename(const std::string& from, const std::string& to, std::string& reason) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    reason = SystemMessage(GetLastError());
    return false;
}

void Remove(const std::string& path) { DeleteFileA(path.c_str()); }

bool FlushFolder(const std::string&, std::string&) { return true; }

}  // namespace report::os
