// _lopen, _lread and _lclose on real files: whole and short reads, end of file, and handles
// that were never opened or are already closed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "winbase.h"

namespace {

TEST(OldStyleFiles, ReadInPiecesAndRefuseWhatTheyDidNotOpen) {
    const std::string path = ::testing::TempDir() + "lread_" + std::to_string(::getpid()) + ".bin";
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 100; ++i) out.put(static_cast<char>(i));
    }
    HFILE file = _lopen(path.c_str(), OF_READ);
    ASSERT_NE(file, HFILE_ERROR);
    unsigned char buffer[64];
    ASSERT_EQ(_lread(file, buffer, 14), 14u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[13], 13);
    ASSERT_EQ(_lread(file, buffer, 40), 40u);
    EXPECT_EQ(buffer[0], 14);
    std::vector<unsigned char> rest(1024, 0xEE);
    EXPECT_EQ(_lread(file, rest.data(), 1024), 46u);  // only what is left
    EXPECT_EQ(rest[45], 99);
    EXPECT_EQ(rest[46], 0xEE);  // nothing written past what was read
    EXPECT_EQ(_lread(file, rest.data(), 1024), 0u);
    EXPECT_EQ(_lread(file, nullptr, 0), 0u);
    const UINT failed = static_cast<UINT>(HFILE_ERROR);
    EXPECT_EQ(_lread(file, nullptr, 4), failed);
    EXPECT_EQ(_lclose(file), 0);
    EXPECT_EQ(_lclose(file), HFILE_ERROR);
    EXPECT_EQ(_lread(file, buffer, 4), failed);

    EXPECT_EQ(_lopen((path + ".missing").c_str(), OF_READ), HFILE_ERROR);
    EXPECT_EQ(_lopen(nullptr, OF_READ), HFILE_ERROR);
    EXPECT_EQ(_lopen("", OF_READ), HFILE_ERROR);
    EXPECT_EQ(_lread(HFILE_ERROR, buffer, 4), failed);
    EXPECT_EQ(_lread(0, buffer, 4), failed);  // standard input was not opened by _lopen
    EXPECT_EQ(_lclose(2), HFILE_ERROR);       // nor standard error: it stays open
    std::remove(path.c_str());
}

}  // namespace
