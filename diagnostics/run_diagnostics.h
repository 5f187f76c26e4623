// What the program reports about a run beside the picture it shows: a JSON Lines trace, a note
// for the end-of-run summary, and each composed frame, so a run can be bounded by a frame count.
// The program calls these; each build target provides them: the Linux stand-in in platform/, the
// Windows runtime in windows/.
#pragma once

#include <cstddef>
#include <cstdint>

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

// True when the run checks every frame it composes against its own re-drawing (--verify).
bool VerifyEnabled();

// A line for the person running the program (e.g. a finding of the check, or the files it wrote),
// on the error stream.
void Notice(const char* text);

// Writes a width x height image of 16-bit pixels (rows pitchPixels apart, colour fields given by
// the three masks) as `name` plus the target's image extension, beside the trace file when there
// is one, else in the current directory. On success the file's path is copied into `path`
// (cut to pathSize - 1 bytes) and true returned.
bool WriteImage(const char* name, const std::uint16_t* pixels, int width, int height, int pitchPixels,
                std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask, char* path,
                std::size_t pathSize);

// Writes the check's verdict for the end-of-run summary into text (at most size bytes, with its
// terminating zero), e.g. "verified: all 600 frames exact"; true when a frame or a picture
// differed, which makes the run's exit code 3.
using VerdictWriter = bool (*)(char* text, std::size_t size);
// The target calls the writer once the run has ended; null removes it.
void SetVerdictWriter(VerdictWriter writer);

}  // namespace diagnostics
