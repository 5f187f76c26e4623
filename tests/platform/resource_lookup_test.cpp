// Finding, loading and locking resources: integer names in both spellings, names that find
// nothing, test additions and removals, injected lock failures and handle validation.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/resource_control.h"
#include "winbase.h"

namespace {

using platform::resources::AddForTesting;
using platform::resources::RemoveForTesting;

std::vector<unsigned char> Bytes(std::initializer_list<unsigned char> list) { return list; }

std::vector<unsigned char> Contents(HRSRC resource) {
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, resource)));
    if (data == nullptr) return {};
    return std::vector<unsigned char>(data, data + SizeofResource(nullptr, resource));
}

TEST(ResourceLookup, IntegerNamesInBothSpellingsAndBothModuleHandles) {
    AddForTesting(RT_BITMAP, 7001, Bytes({1, 2, 3, 4, 5}));
    HRSRC byString = FindResourceA(nullptr, "#7001", RT_BITMAP);
    ASSERT_NE(byString, nullptr);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(7001), RT_BITMAP), byString);
    EXPECT_EQ(FindResourceA(GetModuleHandleA(nullptr), "#7001", RT_BITMAP), byString);
    EXPECT_EQ(FindResourceA(nullptr, "#7001", "#2"), byString);  // the type may be spelt "#2" too
    EXPECT_EQ(Contents(byString), Bytes({1, 2, 3, 4, 5}));
    EXPECT_EQ(SizeofResource(GetModuleHandleA(nullptr), byString), 5u);
    // Locked bytes can be read as a header in place.
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(LockResource(LoadResource(nullptr, byString))) % 8, 0u);
    RemoveForTesting(RT_BITMAP, 7001);
}

TEST(ResourceLookup, NamesThatFindNothing) {
    AddForTesting(RT_BITMAP, 7002, Bytes({9}));
    const struct {
        const char* what;
        HMODULE module;
        LPCSTR name;
        LPCSTR type;
    } cases[] = {
        {"unknown id", nullptr, "#7003", RT_BITMAP},
        {"wrong type", nullptr, "#7002", RT_ICON},
        {"string name", nullptr, "background", RT_BITMAP},
        {"hash alone", nullptr, "#", RT_BITMAP},
        {"trailing letters", nullptr, "#7002x", RT_BITMAP},
        {"leading blank", nullptr, "# 7002", RT_BITMAP},
        {"sign", nullptr, "#-7002", RT_BITMAP},
        {"beyond 16 bits", nullptr, "#72538", RT_BITMAP},  // 72538 = 7002 + 65536
        {"null name", nullptr, nullptr, RT_BITMAP},
        {"null type", nullptr, "#7002", nullptr},
        {"string type", nullptr, "#7002", "BITMAP"},
        {"other module", reinterpret_cast<HMODULE>(0x1234), "#7002", RT_BITMAP},
    };
    for (const auto& c : cases) EXPECT_EQ(FindResourceA(c.module, c.name, c.type), nullptr) << c.what;
    RemoveForTesting(RT_BITMAP, 7002);
}

TEST(ResourceLookup, ReplacingAndRemovingKeepEarlierHandlesUsable) {
    AddForTesting(RT_BITMAP, 7004, Bytes({1}));
    HRSRC first = FindResourceA(nullptr, "#7004", RT_BITMAP);
    AddForTesting(MAKEINTRESOURCEA(2), 7004, Bytes({2, 2}));
    HRSRC second = FindResourceA(nullptr, "#7004", RT_BITMAP);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Contents(second), Bytes({2, 2}));
    EXPECT_EQ(Contents(first), Bytes({1}));
    RemoveForTesting(RT_BITMAP, 7004);
    EXPECT_EQ(FindResourceA(nullptr, "#7004", RT_BITMAP), nullptr);
    EXPECT_EQ(Contents(second), Bytes({2, 2}));
    RemoveForTesting(RT_BITMAP, 7004);  // twice is harmless
}

TEST(ResourceLookup, InjectedLockFailuresAreCountedDown) {
    AddForTesting(RT_BITMAP, 7005, Bytes({5}));
    HGLOBAL loaded = LoadResource(nullptr, FindResourceA(nullptr, "#7005", RT_BITMAP));
    ASSERT_NE(loaded, nullptr);
    platform::resources::FailLockResource(2);
    EXPECT_EQ(LockResource(loaded), nullptr);
    EXPECT_EQ(LockResource(loaded), nullptr);
    EXPECT_NE(LockResource(loaded), nullptr);
    platform::resources::FailLockResource(3);
    platform::resources::FailLockResource(0);
    EXPECT_NE(LockResource(loaded), nullptr);
    RemoveForTesting(RT_BITMAP, 7005);
}

TEST(ResourceLookup, MadeUpHandlesAreRefused) {
    int notAResource = 0;
    auto* bogus = reinterpret_cast<HRSRC>(&notAResource);
    EXPECT_EQ(LoadResource(nullptr, bogus), nullptr);
    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
    EXPECT_EQ(LockResource(bogus), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, bogus), 0u);
    AddForTesting(RT_BITMAP, 7006, Bytes({6}));
    HRSRC real = FindResourceA(nullptr, "#7006", RT_BITMAP);
    EXPECT_EQ(LoadResource(reinterpret_cast<HMODULE>(0x1234), real), nullptr);
    EXPECT_EQ(SizeofResource(reinterpret_cast<HMODULE>(0x1234), real), 0u);
    RemoveForTesting(RT_BITMAP, 7006);
}

TEST(ResourceLookup, EmptyResourceLocksToAnAddress) {
    AddForTesting(RT_BITMAP, 7007, {});
    HRSRC resource = FindResourceA(nullptr, "#7007", RT_BITMAP);
    ASSERT_NE(resource, nullptr);
    EXPECT_NE(LockResource(LoadResource(nullptr, resource)), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, resource), 0u);
    RemoveForTesting(RT_BITMAP, 7007);
}

}  // namespace
