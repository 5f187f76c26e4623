// The command line: every option in both spellings, and every way to get it wrong.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/option_parser.h"

namespace {

using platform::Options;
using platform::PixelFormat;
using platform::runtime::ParseOptions;
using platform::runtime::ParseResult;

ParseResult Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "vornhollow");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return ParseOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(OptionsParse, NoArgumentsGiveTheDefaults) {
    const ParseResult r = Parse({});
    EXPECT_FALSE(r.exitCode.has_value());
    EXPECT_FALSE(r.options.windowed);
    EXPECT_FALSE(r.options.offscreen);
    EXPECT_TRUE(r.options.vsync);
    EXPECT_EQ(r.options.vramKb, 4096u);
    EXPECT_EQ(r.options.pixelFormat, PixelFormat::Rgb565);
    EXPECT_EQ(r.options.frames, 0u);
    EXPECT_TRUE(r.options.screenshot.empty());
}

struct Accepted {
    std::vector<std::string> args;
    std::function<bool(const Options&)> holds;
    const char* what;
};

TEST(OptionsParse, EachOptionInBothSpellings) {
    const Accepted cases[] = {
        {{"--windowed"}, [](const Options& o) { return o.windowed; }, "windowed"},
        {{"--offscreen"}, [](const Options& o) { return o.offscreen; }, "offscreen"},
        {{"--no-vsync"}, [](const Options& o) { return !o.vsync; }, "no-vsync"},
        {{"--vram-kb", "0"}, [](const Options& o) { return o.vramKb == 0; }, "vram 0"},
        {{"--vram-kb=1048576"}, [](const Options& o) { return o.vramKb == 1048576; }, "vram max"},
        {{"--vram-kb", "2048"}, [](const Options& o) { return o.vramKb == 2048; }, "vram"},
        {{"--pixel-format", "555"}, [](const Options& o) { return o.pixelFormat == PixelFormat::Rgb555; }, "555"},
        {{"--pixel-format=555", "--pixel-format=565"},
         [](const Options& o) { return o.pixelFormat == PixelFormat::Rgb565; },
         "last wins"},
        {{"--frames", "1"}, [](const Options& o) { return o.frames == 1; }, "frames min"},
        {{"--frames=1000000000"}, [](const Options& o) { return o.frames == 1000000000u; }, "frames max"},
        {{"--screenshot", "a.png"}, [](const Options& o) { return o.screenshot == "a.png"; }, "screenshot"},
        {{"--screenshot=dir/b c.png"}, [](const Options& o) { return o.screenshot == "dir/b c.png"; }, "screenshot="},
        {{"--capture", "frames"}, [](const Options& o) { return o.capture == "frames"; }, "capture"},
        {{"--capture=x=y"}, [](const Options& o) { return o.capture == "x=y"; }, "capture with ="},
        {{"--trace", "t.jsonl"}, [](const Options& o) { return o.trace == "t.jsonl"; }, "trace"},
        {{"--trace=t.jsonl"}, [](const Options& o) { return o.trace == "t.jsonl"; }, "trace="},
        {{"--offscreen", "--no-vsync", "--frames", "5", "--vram-kb=0"},
         [](const Options& o) { return o.offscreen && !o.vsync && o.frames == 5 && o.vramKb == 0; },
         "several"},
    };
    for (const Accepted& c : cases) {
        const ParseResult r = Parse(c.args);
        EXPECT_FALSE(r.exitCode.has_value()) << c.what << ": " << r.message;
        EXPECT_TRUE(c.holds(r.options)) << c.what;
    }
}

TEST(OptionsParse, UsageErrorsEndWithCodeTwoAndTheUsage) {
    const struct {
        std::vector<std::string> args;
        const char* mentions;
    } cases[] = {
        {{"--fullscreen"}, "unknown option '--fullscreen'"},
        {{"-w"}, "unexpected argument '-w'"},
        {{"extra"}, "unexpected argument 'extra'"},
        {{"--"}, "unexpected argument '--'"},
        {{"--windowed=yes"}, "--windowed takes no value"},
        {{"--frames"}, "--frames needs a value"},
        {{"--frames="}, "--frames needs a value"},
        {{"--screenshot", "--windowed"}, "--screenshot needs a value"},
        {{"--trace"}, "--trace needs a value"},
        {{"--capture="}, "--capture needs a value"},
        {{"--frames", "0"}, "--frames: '0'"},
        {{"--frames", "1000000001"}, "--frames: '1000000001'"},
        {{"--frames", "-5"}, "--frames: '-5'"},
        {{"--frames=-5"}, "--frames: '-5'"},
        {{"--frames", "12x"}, "--frames: '12x'"},
        {{"--frames", " 12"}, "--frames: ' 12'"},
        {{"--frames", "0x10"}, "--frames: '0x10'"},
        {{"--frames", "99999999999999999999999"}, "--frames: '99999999999999999999999'"},
        {{"--vram-kb", "1048577"}, "--vram-kb: '1048577'"},
        {{"--vram-kb=4k"}, "--vram-kb: '4k'"},
        {{"--pixel-format", "888"}, "--pixel-format: '888'"},
        {{"--pixel-format", "5650"}, "--pixel-format: '5650'"},
        {{"--offscreen", "--bogus", "--help"}, "unknown option '--bogus'"},
    };
    for (const auto& c : cases) {
        const ParseResult r = Parse(c.args);
        ASSERT_TRUE(r.exitCode.has_value()) << c.mentions;
        EXPECT_EQ(*r.exitCode, 2) << c.mentions;
        EXPECT_NE(r.message.find(c.mentions), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("usage: vornhollow"), std::string::npos) << c.mentions;
    }
}

TEST(OptionsParse, HelpAndVersionEndAtOnceWithCodeZero) {
    const ParseResult help = Parse({"--windowed", "--help", "--bogus"});
    ASSERT_TRUE(help.exitCode.has_value());
    EXPECT_EQ(*help.exitCode, 0);
    EXPECT_EQ(help.message, platform::runtime::UsageText());
    for (const char* option : {"--windowed", "--offscreen", "--no-vsync", "--vram-kb", "--pixel-format", "--frames",
                               "--screenshot", "--capture", "--trace", "--version"}) {
        EXPECT_NE(help.message.find(option), std::string::npos) << option;
    }

    const ParseResult version = Parse({"--version"});
    ASSERT_TRUE(version.exitCode.has_value());
    EXPECT_EQ(*version.exitCode, 0);
    EXPECT_EQ(version.message.rfind("vornhollow ", 0), 0u);
}

}  // namespace
