// What the program reports about a run beside the picture it shows: a JSON Lines trace, a note
// for the end-of-run summary, each composed frame, the frame check's findings and verdict, and
// what the screen showed. The program calls these; each build target provides them: the Linux
// stand-in in platform/, the Windows runtime in windows/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "verdict.h"

namespace diagnostics {

// Milliseconds (fractional) since the process started, on a monotonic clock.
double MillisecondsSinceStart();

// True when the run writes a trace.
bool TraceEnabled();
// Appends one line (a complete JSON object, no newline) to the trace; thread-safe, no-op when
// tracing is off.
void TraceLine(const char* json);

// Text appended to the summary printed after a bounded run, e.g. "100 tiles".
void SetSummaryNote(const char* note);

// The program composed its frame number `number` (counting from 1). Where the target cannot see
// the frames reach the screen, a bounded run ends here.
void FrameComposed(std::uint64_t number);

// True when the scene steps once per presented frame, on the main thread, instead of on the
// timer's ticks (--lockstep): every run then draws the same frames.
bool Lockstep();

// A fatal error the program is about to show in its box, recorded for the run's report. False
// when no one is there to close a box (--unattended): the target has written the caption and
// the text to the error stream instead, and the program goes on as after OK.
bool NoteFatalError(const char* caption, const char* text);

// A fact about the system the run is on, for the report (e.g. "caps.mirror_left_right", "yes").
void SetRunFact(const char* key, const char* value);

// A line for the person running the program (e.g. a finding of the check, or the files it wrote),
// on the error stream.
void Notice(const char* text);

// The CRC-32 (as zip and PNG use it) of `size` more bytes after `crc` (0 to start).
std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);

// Writes a width x height picture of 8-bit red, green and blue (3 bytes a pixel, rows width * 3
// apart) as `name` plus the target's image extension, in the run's image folder (the report's
// folder, else beside the trace file, else the current directory). On success the file's path is
// copied into `path` (cut to pathSize - 1 bytes) and true returned.
bool WriteImage(const char* name, const std::uint8_t* rgb, int width, int height, char* path, std::size_t pathSize);

// The CRC-32 of composed frame `number` as read back, with the counter's area zeroed: called by
// the check for each frame it reads, so that the run's report can hold the sequence of them and
// two lockstep runs can be compared frame by frame.
void FrameCrc(std::uint64_t number, std::uint32_t crc);

// The check's verdict, asked for once the run has ended; null removes it.
using VerdictSource = void (*)(VerdictRecord& verdict);
void SetVerdictSource(VerdictSource source);

// A window's pixels as the display showed them: 2 or 4 bytes a pixel in native byte order, rows
// pitchBytes apart, the colour fields given by the masks.
struct WindowImage {
    const void* pixels;
    int width, height, pitchBytes, bytesPerPixel;
    std::uint32_t redMask, greenMask, blueMask;
};
// Judges what reached the screen: called on the main thread with the window's pixels once frame
// `number` is shown, or with image null and why it could not be read back.
using ScreenChecker = void (*)(std::uint64_t number, const WindowImage* image, const char* whyNot);
// Installed by the check; the target reads the window back only while one is installed.
void SetScreenChecker(ScreenChecker checker);
// Outside --lockstep the screen is read at most this often, about once a refresh at 60 Hz: a run
// at thousands of frames a second is still read every blank, and the reads stay off its rate.
constexpr double kScreenCheckSpacingMs = 16.0;
// Whether this target shows the frames in a window it reads back for the checker; when it does
// not, why there is no window to read (e.g. "offscreen").
bool ReadsWindowBack(std::string& whyNot);

}  // namespace diagnostics
