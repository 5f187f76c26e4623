// The frame check's verdict as the targets receive it at the end of a run: for the summary line,
// the exit code and the report. Plain standard C++: the check fills it, the targets read it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace diagnostics {

// The kinds of draw step a frame is made of.
enum class DrawKind : std::uint8_t {
    TileCopy,
    FullScreenCopy,
    MirrorTestBlock,
    BackgroundStrip,
    ColourKeyProbe,
    CreatureKeyed,
    CreatureMirroredKeyed,
    Erase,
    FireballUpDown,
    FireballBothWays,
};
constexpr int kDrawKinds = 10;

// The kinds' names in --expect files, trace records, reports and the usage text.
constexpr const char* kDrawKindIds[kDrawKinds] = {
    "tile-copy", "full-screen-copy", "mirrored-test-block", "background-strip", "colour-key-probe",
    "creature-keyed", "creature-mirrored-keyed", "erase", "fireball-up-down", "fireball-both-ways"};
inline const char* DrawKindId(DrawKind kind) { return kDrawKindIds[static_cast<int>(kind)]; }

// The pictures the check compares with what they were loaded from, and the screen.
constexpr const char* kPictureIds[] = {"Background", "GnollSheet", "FireballSheet", "BackgroundStrip"};
constexpr const char* kScreenId = "screen";
// Differing pixels that no step of their frame drew, nor an earlier frame left wrong.
constexpr const char* kStrayWriteId = "stray-write";
// The frame-rate counter's text: its place, colour and glyphs.
constexpr const char* kCounterId = "counter";

// How one judged item came out. Expected and UnexpectedlyExact are set only for an item listed
// in --expect.
enum class ItemState : std::uint8_t {
    NotCovered,  // never drawn and compared (a kind), not read back (a picture, the screen)
    NotRequired,  // a kind this configuration does not draw
    PrimaryOnly,  // the screen, exact on the primary surface, with no window to read (offscreen)
    Exact,
    Differs,
    Expected,           // differs, as --expect says
    UnexpectedlyExact,  // --expect says it differs, but it was exact
};

// The first difference of one item, in the compared surface's own pixel values.
struct Finding {
    std::uint64_t frame = 0;  // 0 for a picture
    std::string step;         // the draw step it is put down to, e.g. "the colour-key probe"
    int x = 0, y = 0;         // first differing pixel
    std::uint32_t got = 0, expected = 0;
    std::uint64_t pixels = 0;  // differing pixels of that item in that frame (or picture)
    int bytesPerPixel = 2;
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
    // Images written for it (got, expected, differences, an 8x crop around the first pixel), as
    // the target's WriteImage named them; empty where none was written.
    std::string gotImage, expectedImage, differencesImage, cropImage;
};

struct ItemResult {
    std::string id;  // a DrawKindId, a picture's id or kScreenId
    ItemState state = ItemState::NotCovered;
    std::uint64_t drawn = 0;     // kinds: frames that drew it; the screen: frames shown
    std::uint64_t compared = 0;  // frames (or loads) in which it was compared
    std::uint64_t differed = 0;  // of those, the ones in which it differed
    std::string why;             // why it was not covered, when it was not
    bool hasFinding = false;
    Finding first;
};

enum class Outcome : std::uint8_t {
    NotVerified,  // no check ran
    Exact,        // every required item covered and exact (or differing as expected)
    Incomplete,   // nothing unexpected, but something required was not covered
    Differs,      // a difference that was not expected, or an expected one that did not happen
};

// How the screen was read on one path (the primary surface after each flip, or the window).
struct ScreenReads {
    bool expected = false;       // this run has this path to read
    std::uint64_t compared = 0;  // frames compared there
    std::uint64_t notRead = 0;   // frames due there but not read (covered, not shown, not mapped...)
    std::string why;             // the first reason one was not read, or why there is no path
};

struct VerdictRecord {
    Outcome outcome = Outcome::NotVerified;
    std::string line;  // for the summary line, e.g. "verified: all 297 frames exact"
    std::uint64_t frames = 0, framesCompared = 0, framesDiffering = 0, framesNotRead = 0;
    std::string notReadWhy;  // the first reason a frame was not read back
    // Frames read back but left uncompared: a restoration during the frame left nothing known.
    std::uint64_t framesNotCompared = 0;
    std::string notComparedWhy;
    std::vector<ItemResult> kinds, pictures;
    ItemResult screen;
    ScreenReads primary, window;
    ItemResult strays, counter;
    std::vector<std::string> expectedNotDrawn;  // kinds --expect listed that this run never drew
    bool hasFinding = false;  // the first differing frame's finding (its step may be "the screen")
    Finding first;
    std::vector<std::string> expected;  // the items --expect listed
};

}  // namespace diagnostics
