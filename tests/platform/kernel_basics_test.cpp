// Tick count, debugger output and the module handle.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "kernel/kernel_control.h"
#include "windows.h"

namespace {

TEST(KernelBasics, TickCountFollowsTheMonotonicClockUnlessFixed) {
    platform::testing::SetTickCount(std::nullopt);
    const DWORD before = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const DWORD elapsed = GetTickCount() - before;  // unsigned: right across a wrap too
    EXPECT_GE(elapsed, 29u);
    EXPECT_LT(elapsed, 10000u);

    platform::testing::SetTickCount(0xFFFFFFF0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    platform::testing::SetTickCount(std::nullopt);
    EXPECT_NE(GetTickCount(), 0xFFFFFFF0u);
}

TEST(KernelBasics, DebugOutputGoesToStderrAndOnlyTheProgramHasAModuleHandle) {
    ::testing::internal::CaptureStderr();
    OutputDebugStringA("createcompatible dc failed\n");
    OutputDebugStringA(nullptr);
    OutputDebugStringA("no newline");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "createcompatible dc failed\nno newline");
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA("ddraw.dll"), nullptr);
}

}  // namespace
