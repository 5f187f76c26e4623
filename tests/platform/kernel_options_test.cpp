// The kernel (tick count, debugger output, module handle, the executable's resources, old-style file reading, whole
// writes) and the command line (every option in both spellings, and every way to get it wrong).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <thread>

#include "../test_files.h"
#include "common/write_all.h"
#include "kernel/kernel_control.h"
#include "runtime/option_parser.h"
#include "windows.h"

namespace {

using platform::resources::AddForTesting, platform::resources::RemoveForTesting;
using Bytes = std::vector<unsigned char>;

TEST(KernelBasics, TickCountDebugOutputAndModuleHandle) {
    using namespace std::chrono;
    const auto ms = [] {
        return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
    // Read between two readings of the clock (unsigned differences: right across a wrap too).
    const auto bracketed = [&] {
        const DWORD before = ms(), tick = GetTickCount(), after = ms();
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
    const test_files::TempDir dir;
    const std::string path = (dir.path / "lread.bin").string();
    // Bytes 0 to 99, the file closed when the loop ends.
    for (std::ofstream out(path, std::ios::binary); out && out.tellp() < 100;) out.put(static_cast<char>(out.tellp()));
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
}

// A pipe's short read is followed by one for the rest only; the writer sends its second part once the first is taken.
TEST(OldStyleFiles, AShortReadIsFollowedByOneForTheRestOnly) {
    const test_files::TempDir dir;
    const std::string path = (dir.path / "fifo").string();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::thread writer([&] {
        const int fd = ::open(path.c_str(), O_WRONLY);
        const char parts[] = "0123456789abcdefghij";
        int waiting = 1;
        bool sent = fd >= 0 && ::write(fd, parts, 10) == 10;
        while (sent && waiting > 0 && ::ioctl(fd, FIONREAD, &waiting) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sent = sent && ::write(fd, parts + 10, 10) == 10;
        if (fd >= 0) ::close(fd);
        EXPECT_TRUE(sent);
    });
    const HFILE file = _lopen(path.c_str(), OF_READ);
    std::string got(24, '.');
    const UINT first = _lread(file, got.data(), 16), second = _lread(file, got.data() + 16, 8);
    writer.join();
    EXPECT_EQ(std::tuple(first, second, got), std::tuple(16u, 4u, std::string("0123456789abcdefghij....")));
    EXPECT_EQ(_lclose(file), 0);
}

// A write that a signal cuts short (once the pipe is full, while it waits in write()) goes on.
TEST(WriteAll, AWriteASignalCutShortGoesOnFromWhereItStopped) {
    int ends[2], failure = -1, queued = 0;
    ASSERT_TRUE(pipe(ends) == 0 && signal(SIGUSR1, [](int) {}) != SIG_ERR);  // the write returns what it wrote
    std::string sent(1 << 20, 'x'), got;
    for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7 / 5);
    std::thread writer([&] { failure = platform::WriteAll(ends[1], sent.data(), sent.size()), close(ends[1]); });
    for (int waits = 0; queued < fcntl(ends[0], F_GETPIPE_SZ) && waits < 10000; ++waits, usleep(1000))
        ioctl(ends[0], FIONREAD, &queued);
    pthread_kill(writer.native_handle(), SIGUSR1);
    char chunk[4096];
    for (ssize_t n; (n = read(ends[0], chunk, sizeof chunk)) > 0;) got.append(chunk, static_cast<std::size_t>(n));
    writer.join(), close(ends[0]), signal(SIGUSR1, SIG_DFL);
    EXPECT_TRUE(failure == 0 && got == sent) << failure << ", " << got.size() << " bytes";
}

using namespace platform;

runtime::ParseResult Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "vornhollow");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return runtime::ParseOptions(static_cast<int>(argv.size()), argv.data());
}

#define HOLDS(condition) [](const Options& o) { return condition; }, #condition

TEST(OptionsParse, DefaultsAndEachOptionInBothSpellings) {
    const std::tuple<std::vector<std::string>, std::function<bool(const Options&)>, const char*> cases[] = {
        {{},
         HOLDS(!o.windowed && !o.offscreen && o.vsync && o.vramKb == 4096 && o.frames == 0 &&
               o.pixelFormat == PixelFormat::Rgb565 && o.present == PresentPath::Auto && o.screenshot.empty() &&
               o.capture.empty() && o.trace.empty())},
        {{"--windowed", "--offscreen"}, HOLDS(o.windowed && o.offscreen && o.vsync)},
        {{"--no-vsync"}, HOLDS(!o.vsync && !o.windowed && !o.offscreen)},
        {{"--vram-kb", "0", "--frames=1000000000"}, HOLDS(o.vramKb == 0 && o.frames == 1000000000u)},
        {{"--vram-kb=1048576", "--pixel-format", "555"},
         HOLDS(o.vramKb == 1048576 && o.pixelFormat == PixelFormat::Rgb555)},
        {{"--pixel-format=555", "--pixel-format=565", "--present", "xshm"},
         HOLDS(o.pixelFormat == PixelFormat::Rgb565 && o.present == PresentPath::SharedMemory)},
        {{"--present=renderer", "--present", "auto", "--vram-kb", "9", "--frames", "1"},
         HOLDS(o.present == PresentPath::Auto && o.vramKb == 9 && o.frames == 1)},
        {{"--present", "present"}, HOLDS(o.present == PresentPath::Present)},
        {{"--screenshot", "a.png", "--capture=x=y", "--trace", "t.jsonl"},
         HOLDS(o.screenshot == "a.png" && o.capture == "x=y" && o.trace == "t.jsonl")},
        {{"--screenshot=dir/b c.png", "--capture", "frames", "--trace=u"},
         HOLDS(o.screenshot == "dir/b c.png" && o.capture == "frames" && o.trace == "u")}};
    for (const auto& [args, holds, what] : cases) {
        const auto r = Parse(args);
        EXPECT_TRUE(!r.exitCode.has_value() && holds(r.options)) << what << ": " << r.message;
    }
}

TEST(OptionsParse, UsageErrorsEndWithCodeTwoAndTheUsage) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--fullscreen"}, "unknown option '--fullscreen'"},
        {{"extra"}, "unexpected argument 'extra'"},
        {{"--"}, "unexpected argument '--'"},
        {{"--windowed=yes"}, "--windowed takes no value"},
        {{"--frames"}, "--frames needs a value"},
        {{"--frames="}, "--frames needs a value"},
        {{"--trace", ""}, "--trace needs a value"},
        {{"--screenshot", "--windowed"}, "--screenshot needs a value"},
        {{"--frames", "0"}, "--frames: '0'"},
        {{"--frames", "1000000001"}, "--frames: '1000000001'"},
        {{"--frames=-5"}, "--frames: '-5'"},
        {{"--frames", "12x"}, "--frames: '12x'"},
        {{"--frames", "99999999999999999999999"}, "--frames: '99999999999999999999999'"},
        {{"--vram-kb", "1048577"}, "--vram-kb: '1048577'"},
        {{"--vram-kb=/4"}, "--vram-kb: '/4'"},
        {{"--pixel-format", "888"}, "--pixel-format: '888'"},
        {{"--present", "gl"}, "--present: 'gl'"},
        {{"--offscreen", "--bogus", "--help"}, "unknown option '--bogus'"}};
    for (const auto& [args, mentions] : cases) {
        const auto r = Parse(args);
        EXPECT_TRUE(r.exitCode == 2 && r.message.find("vornhollow: " + mentions) != std::string::npos &&
                    r.message.find("usage: vornhollow") != std::string::npos)
            << mentions << ": " << r.message;
    }
}

TEST(OptionsParse, HelpAndVersionEndAtOnceWithCodeZero) {
    const auto help = Parse({"--windowed", "--help", "--bogus"}), version = Parse({"--version", "--bogus"});
    EXPECT_EQ(std::tuple(help.exitCode, help.message), std::tuple(0, runtime::UsageText()));
    EXPECT_TRUE(version.exitCode == 0 && version.message.starts_with("vornhollow ")) << version.message;
}

}  // namespace
