// Finding, loading and locking resources: integer names in both spellings, names that find
// nothing, test additions and removals, injected lock failures and handle validation.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kernel/kernel_control.h"
#include "winbase.h"

namespace {

using platform::resources::AddForTesting;
using platform::resources::RemoveForTesting;
using Bytes = std::vector<unsigned char>;

Bytes Contents(HRSRC resource) {
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, resource)));
    return data == nullptr ? Bytes{} : Bytes(data, data + SizeofResource(nullptr, resource));
}

TEST(ResourceLookup, IntegerNamesInBothSpellingsAndBothModuleHandles) {
    AddForTesting(RT_BITMAP, 7001, Bytes{1, 2, 3, 4, 5});
    HRSRC byString = FindResourceA(nullptr, "#7001", RT_BITMAP);
    ASSERT_NE(byString, nullptr);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(7001), RT_BITMAP), byString);
    EXPECT_EQ(FindResourceA(GetModuleHandleA(nullptr), "#7001", RT_BITMAP), byString);
    EXPECT_EQ(FindResourceA(nullptr, "#7001", "#2"), byString);  // the type may be spelt "#2" too
    EXPECT_EQ(Contents(byString), (Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(SizeofResource(GetModuleHandleA(nullptr), byString), 5u);
    // Locked bytes can be read as a header in place.
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(LockResource(LoadResource(nullptr, byString))) % 8, 0u);
    RemoveForTesting(RT_BITMAP, 7001);
}

TEST(ResourceLookup, NamesThatFindNothing) {
    AddForTesting(RT_BITMAP, 7002, Bytes{9});
    const struct {
        LPCSTR name;
        LPCSTR type;
    } cases[] = {
        {"#7003", RT_BITMAP},  {"#7002", RT_ICON},    {"background", RT_BITMAP},
        {"#", RT_BITMAP},      {"#7002x", RT_BITMAP}, {"# 7002", RT_BITMAP},
        {"#-7002", RT_BITMAP}, {"#72538", RT_BITMAP},  // 72538 = 7002 + 65536
        {nullptr, RT_BITMAP},  {"#7002", nullptr},    {"#7002", "BITMAP"},
    };
    for (const auto& c : cases) EXPECT_EQ(FindResourceA(nullptr, c.name, c.type), nullptr) << &c - cases;
    EXPECT_EQ(FindResourceA(reinterpret_cast<HMODULE>(0x1234), "#7002", RT_BITMAP), nullptr);
    RemoveForTesting(RT_BITMAP, 7002);
}

TEST(ResourceLookup, ReplacingAndRemovingKeepEarlierHandlesUsable) {
    // A replacement reuses the record, so an earlier handle sees the new bytes.
    AddForTesting(RT_BITMAP, 7004, Bytes{1});
    HRSRC first = FindResourceA(nullptr, "#7004", RT_BITMAP);
    AddForTesting(MAKEINTRESOURCEA(2), 7004, Bytes{2, 2});
    HRSRC second = FindResourceA(nullptr, "#7004", RT_BITMAP);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Contents(second), (Bytes{2, 2}));
    EXPECT_EQ(Contents(first), (Bytes{2, 2}));
    RemoveForTesting(RT_BITMAP, 7004);
    EXPECT_EQ(FindResourceA(nullptr, "#7004", RT_BITMAP), nullptr);
    EXPECT_EQ(Contents(second), (Bytes{2, 2}));
    RemoveForTesting(RT_BITMAP, 7004);   // twice is harmless
    AddForTesting(RT_BITMAP, 7007, {});  // an empty resource still locks to an address
    HRSRC empty = FindResourceA(nullptr, "#7007", RT_BITMAP);
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(LockResource(LoadResource(nullptr, empty)), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, empty), 0u);
    RemoveForTesting(RT_BITMAP, 7007);
}

TEST(ResourceLookup, InjectedLockFailuresAndMadeUpHandles) {
    AddForTesting(RT_BITMAP, 7005, Bytes{5});
    HRSRC real = FindResourceA(nullptr, "#7005", RT_BITMAP);
    HGLOBAL loaded = LoadResource(nullptr, real);
    ASSERT_NE(loaded, nullptr);
    platform::resources::FailLockResource(2);
    EXPECT_EQ(LockResource(loaded), nullptr);
    EXPECT_EQ(LockResource(loaded), nullptr);
    EXPECT_NE(LockResource(loaded), nullptr);
    platform::resources::FailLockResource(3);
    platform::resources::FailLockResource(0);
    EXPECT_NE(LockResource(loaded), nullptr);

    int notAResource = 0;
    auto* bogus = reinterpret_cast<HRSRC>(&notAResource);
    EXPECT_EQ(LoadResource(nullptr, bogus), nullptr);
    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
    EXPECT_EQ(LockResource(bogus), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, bogus), 0u);
    EXPECT_EQ(LoadResource(reinterpret_cast<HMODULE>(0x1234), real), nullptr);
    EXPECT_EQ(SizeofResource(reinterpret_cast<HMODULE>(0x1234), real), 0u);
    RemoveForTesting(RT_BITMAP, 7005);
}

}  // namespace
