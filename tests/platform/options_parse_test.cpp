// The command line: every option in both spellings, and every way to get it wrong.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/option_parser.h"

namespace {

using platform::Options;
using platform::PixelFormat;
using platform::PresentPath;
using platform::runtime::ParseResult;

ParseResult Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "vornhollow");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    return platform::runtime::ParseOptions(static_cast<int>(argv.size()), argv.data());
}

#define HOLDS(condition) [](const Options& o) { return condition; }, #condition

TEST(OptionsParse, DefaultsAndEachOptionInBothSpellings) {
    const struct {
        std::vector<std::string> args;
        std::function<bool(const Options&)> holds;
        const char* what;
    } cases[] = {
        {{},
         HOLDS(!o.windowed && !o.offscreen && o.vsync && o.vramKb == 4096 && o.frames == 0 &&
               o.pixelFormat == PixelFormat::Rgb565 && o.present == PresentPath::Auto && o.screenshot.empty() &&
               o.capture.empty() && o.trace.empty())},
        {{"--windowed", "--offscreen"}, HOLDS(o.windowed && o.offscreen && o.vsync)},
        {{"--no-vsync"}, HOLDS(!o.vsync && !o.windowed && !o.offscreen)},
        {{"--vram-kb", "0"}, HOLDS(o.vramKb == 0)},
        {{"--vram-kb=1048576"}, HOLDS(o.vramKb == 1048576)},
        {{"--pixel-format", "555"}, HOLDS(o.pixelFormat == PixelFormat::Rgb555)},
        {{"--pixel-format=555", "--pixel-format=565"}, HOLDS(o.pixelFormat == PixelFormat::Rgb565)},
        {{"--present", "xshm"}, HOLDS(o.present == PresentPath::SharedMemory)},
        {{"--present=renderer", "--present", "auto"}, HOLDS(o.present == PresentPath::Auto)},
        {{"--vram-kb", "9", "--frames", "1"}, HOLDS(o.vramKb == 9 && o.frames == 1)},
        {{"--frames=1000000000"}, HOLDS(o.frames == 1000000000u)},
        {{"--screenshot", "a.png", "--capture=x=y", "--trace", "t.jsonl"},
         HOLDS(o.screenshot == "a.png" && o.capture == "x=y" && o.trace == "t.jsonl")},
        {{"--screenshot=dir/b c.png", "--capture", "frames", "--trace=u"},
         HOLDS(o.screenshot == "dir/b c.png" && o.capture == "frames" && o.trace == "u")},
    };
    for (const auto& c : cases) {
        const ParseResult r = Parse(c.args);
        EXPECT_FALSE(r.exitCode.has_value()) << c.what << ": " << r.message;
        EXPECT_TRUE(c.holds(r.options)) << c.what;
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
        {{"--offscreen", "--bogus", "--help"}, "unknown option '--bogus'"},
    };
    for (const auto& [args, mentions] : cases) {
        const ParseResult r = Parse(args);
        EXPECT_EQ(r.exitCode, 2) << mentions;
        EXPECT_NE(r.message.find("vornhollow: " + mentions), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("usage: vornhollow"), std::string::npos) << mentions;
    }
}

TEST(OptionsParse, HelpAndVersionEndAtOnceWithCodeZero) {
    const ParseResult help = Parse({"--windowed", "--help", "--bogus"}), version = Parse({"--version", "--bogus"});
    EXPECT_EQ(std::tuple(help.exitCode, help.message), std::tuple(0, platform::runtime::UsageText()));
    EXPECT_TRUE(version.exitCode == 0 && version.message.starts_with("vornhollow ")) << version.message;
}

}  // namespace
