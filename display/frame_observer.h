// What a frame check sees of the display while the program runs. The display and the frame
// composer call the installed observer at fixed points of a run; without one (the pointer is null)
// nothing is called. The observer only reads: the program never depends on what it does.
#pragma once

#include <cstddef>
#include <cstdint>

#include <ddraw.h>

// The values one frame was drawn from, as the composer copied them.
struct ObservedScene {
    bool tilePhase;
    std::int32_t tileCount;
    std::int32_t gnollX, gnollY, gnollDirection, gnollFrame;
    std::int32_t fireballActive, fireballX, fireballY, fireballFrame;
};

// Text the display drew: the characters and the top-left corner of their cell.
struct ObservedText {
    const char* text;
    std::int32_t x, y;
};

// The surfaces the pictures were loaded into.
struct ObservedPictures {
    IDirectDrawSurface* background;
    IDirectDrawSurface* gnollSheet;
    IDirectDrawSurface* fireballSheet;
    IDirectDrawSurface* backgroundStrip;
};

class FrameObserver {
public:
    // The display is set up and about to be restored (and so loaded) for the first time: the
    // DirectDraw object, the screen's colour masks and the number of tiles made.
    virtual void RunStarted(IDirectDraw* directDraw, DWORD redMask, DWORD greenMask, DWORD blueMask,
                            std::int32_t tileCount) = 0;
    // A restoration has begun: the flip chain's contents are undefined from here.
    virtual void RestorationBegun() = 0;
    // The pictures were loaded into their surfaces.
    virtual void PicturesLoaded(const ObservedPictures& pictures) = 0;
    // Frame `number` (as the frame trace counts it) is composed in the back buffer, not flipped
    // yet; `counter` is the frame-rate text it drew, null in a tile-phase frame.
    virtual void FrameComposed(IDirectDrawSurface* backBuffer, const ObservedScene& scene, const ObservedText* counter,
                               std::uint64_t number) = 0;
    // Frame `number` was flipped: the primary surface shows it now.
    virtual void FrameFlipped(IDirectDrawSurface* primary, std::uint64_t number) = 0;
    // Appends the check's own fields for the last frame's trace line (each starting with a comma)
    // to `text`, a zero-terminated buffer of `size` bytes.
    virtual void AppendFrameTraceFields(char* text, std::size_t size) = 0;

protected:
    ~FrameObserver() = default;
};

// The installed observer, or null.
extern FrameObserver* gFrameObserver;

// The frame-rate text the display drew last and where; its characters stay until the next.
ObservedText LastFrameRateText();
