// The kernel: tick count, debugger output, module handle, the executable's resources and
// old-style file reading.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "kernel/kernel_control.h"
#include "windows.h"

namespace {

using platform::resources::AddForTesting;
using platform::resources::RemoveForTesting;
using Bytes = std::vector<unsigned char>;

DWORD MonotonicMs() {
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

TEST(KernelBasics, TickCountDebugOutputAndModuleHandle) {
    // Read between two readings of the clock (unsigned differences: right across a wrap too).
    const auto bracketed = [] {
        const DWORD before = MonotonicMs(), tick = GetTickCount(), after = MonotonicMs();
        return tick - before <= after - before;
    };
    EXPECT_TRUE(bracketed());
    platform::testing::SetTickCount(0xFFFFFFF0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    platform::testing::SetTickCount(std::nullopt);
    EXPECT_TRUE(bracketed());
    // Debug output goes to stderr as it is; only the program has a module handle.
    ::testing::internal::CaptureStderr();
    OutputDebugStringA("createcompatible dc failed\n");
    OutputDebugStringA(nullptr);
    OutputDebugStringA("no newline");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "createcompatible dc failed\nno newline");
    EXPECT_TRUE(GetModuleHandleA(nullptr) != nullptr && GetModuleHandleA("ddraw.dll") == nullptr);
}

Bytes Contents(HMODULE module, HRSRC resource) {
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module, resource)));
    return data == nullptr ? Bytes{} : Bytes(data, data + SizeofResource(module, resource));
}

TEST(ResourceLookup, IntegerNamesInBothSpellingsFindTheResourceAndNothingElseDoes) {
    AddForTesting(RT_BITMAP, 7001, Bytes{1, 2, 3, 4, 5});
    const HRSRC found = FindResourceA(nullptr, "#7001", RT_BITMAP);
    ASSERT_NE(found, nullptr);
    const HMODULE self = GetModuleHandleA(nullptr), other = reinterpret_cast<HMODULE>(0x1234);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(7001), RT_BITMAP), found);
    EXPECT_EQ(FindResourceA(self, "#7001", "#2"), found);  // RT_BITMAP is 2
    EXPECT_EQ(Contents(self, found), (Bytes{1, 2, 3, 4, 5}));
    // Locked bytes can be read as a header in place.
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(LockResource(LoadResource(nullptr, found))) % 8, 0u);
    const LPCSTR names[][2] = {{"#7003", RT_BITMAP},  {"#7001", RT_ICON},    {"background", RT_BITMAP},
                               {"#", RT_BITMAP},      {"#7001x", RT_BITMAP}, {"# 7001", RT_BITMAP},
                               {"#-7001", RT_BITMAP}, {"#72537", RT_BITMAP},  // 72537 = 7001 + 65536
                               {nullptr, RT_BITMAP},  {"#7001", nullptr},    {"#7001", "BITMAP"}};
    for (const auto& [name, type] : names) EXPECT_EQ(FindResourceA(nullptr, name, type), nullptr) << &name - names[0];
    EXPECT_FALSE(FindResourceA(other, "#7001", RT_BITMAP) || LoadResource(other, found) ||
                 SizeofResource(other, found));
    RemoveForTesting(RT_BITMAP, 7001);
    // Replaced, removed and failing resources, and made-up handles.
    AddForTesting(RT_BITMAP, 7004, Bytes{1});
    const HRSRC first = FindResourceA(nullptr, "#7004", RT_BITMAP);
    AddForTesting(MAKEINTRESOURCEA(2), 7004, Bytes{2, 2});  // a replacement reuses the record
    EXPECT_EQ(FindResourceA(nullptr, "#7004", RT_BITMAP), first);
    RemoveForTesting(RT_BITMAP, 7004), RemoveForTesting(RT_BITMAP, 7004);  // twice is harmless
    EXPECT_EQ(FindResourceA(nullptr, "#7004", RT_BITMAP), nullptr);
    EXPECT_EQ(Contents(nullptr, first), (Bytes{2, 2}));  // an earlier handle stays usable
    AddForTesting(RT_BITMAP, 7004, {});                  // added anew, and empty: still locks to an address
    const HRSRC added = FindResourceA(nullptr, "#7004", RT_BITMAP);
    const HGLOBAL empty = LoadResource(nullptr, added);
    EXPECT_TRUE(LockResource(empty) != nullptr && SizeofResource(nullptr, added) == 0);
    const auto locks = [&] { return LockResource(empty) != nullptr; };
    platform::resources::FailLockResource(2);
    EXPECT_EQ((std::vector<bool>{locks(), locks(), locks()}), (std::vector<bool>{false, false, true}));
    platform::resources::FailLockResource(3);
    platform::resources::FailLockResource(0);  // a new count replaces the old
    EXPECT_TRUE(locks());
    RemoveForTesting(RT_BITMAP, 7004);
    int notAResource = 0;
    for (const HRSRC bogus : {reinterpret_cast<HRSRC>(&notAResource), HRSRC{}})
        EXPECT_FALSE(LoadResource(nullptr, bogus) || LockResource(bogus) || SizeofResource(nullptr, bogus));
}

TEST(OldStyleFiles, ReadInPiecesAndRefuseWhatTheyDidNotOpen) {
    const std::string path = ::testing::TempDir() + "lread_" + std::to_string(::getpid()) + ".bin";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 100; ++i) out.put(static_cast<char>(i));
    }
    const UINT failed = static_cast<UINT>(HFILE_ERROR);
    const HFILE file = _lopen(path.c_str(), OF_READ);
    unsigned char buffer[64];
    ASSERT_TRUE(file != HFILE_ERROR && _lread(file, buffer, 14) == 14u && _lread(file, buffer + 14, 40) == 40u);
    std::vector<unsigned char> rest(1024, 0xEE);
    EXPECT_EQ(_lread(file, rest.data(), 1024), 46u);  // only what is left, nothing written past it
    EXPECT_TRUE(buffer[13] == 13 && buffer[53] == 53 && rest[0] == 54 && rest[45] == 99 && rest[46] == 0xEE);
    EXPECT_EQ(_lread(file, rest.data(), 1024) + _lread(file, nullptr, 0), 0u);
    EXPECT_EQ(_lread(file, nullptr, 4), failed);
    EXPECT_EQ((std::tuple<HFILE, HFILE, UINT>{_lclose(file), _lclose(file), _lread(file, buffer, 4)}),
              std::tuple(0, HFILE_ERROR, failed));
    // Write-only (1) opens but cannot be read; read-write (2) reads; sharing bits are ignored; 3 is no mode.
    for (const int mode : {1, 2, 0x40}) {
        const HFILE other = _lopen(path.c_str(), mode);
        EXPECT_TRUE(other != HFILE_ERROR && _lread(other, buffer, 4) == (mode == 1 ? failed : 4u) &&
                    _lclose(other) == 0)
            << mode;
    }
    const std::string missing = path + ".missing";
    for (const char* name : {missing.c_str(), static_cast<const char*>(nullptr), ""})
        EXPECT_EQ(_lopen(name, OF_READ), HFILE_ERROR);
    EXPECT_EQ(_lopen(path.c_str(), 3), HFILE_ERROR);
    // Nor were standard input and error opened by _lopen: they stay open.
    EXPECT_EQ(std::tuple(_lread(HFILE_ERROR, buffer, 4), _lread(0, buffer, 4), _lclose(2)),
              std::tuple(failed, failed, HFILE_ERROR));
    std::remove(path.c_str());
}

}  // namespace
