// Damage: a set of pixel rectangles kept as a pixman region (the region arithmetic the X server
// uses), for what was written into a surface and where a frame may differ from the frame shown
// before it. The flip chain records it (ddraw/surface.h) and hands each frame's to the host with
// the frame; the X11 presenters convert and send only that.
#pragma once

#include <pixman.h>

#include <cstdint>
#include <span>

namespace platform::host {

class Damage {
public:
    // A record that would need more rectangles than this is kept as its bounding box: a frame's
    // region then never costs more than a few rectangles to walk.
    static constexpr int kMaxRectangles = 20;

    Damage();
    ~Damage();
    Damage(const Damage& other);
    Damage& operator=(const Damage& other);
    void Swap(Damage& other) noexcept;

    void Clear();
    // Adds [left, right) x [top, bottom), nothing when empty.
    void Add(int left, int top, int right, int bottom);
    // The same for a record of writes: past kMaxRectangles it becomes its bounding box.
    void Record(int left, int top, int right, int bottom);
    void Add(const Damage& other);
    void Subtract(const Damage& other);
    // Keeps only what lies inside [0, width) x [0, height).
    void Clip(int width, int height);

    bool Empty() const;
    std::span<const pixman_box32_t> Boxes() const;
    pixman_box32_t Extents() const;
    std::uint64_t Area() const;

private:
    pixman_region32_t region_;
};

}  // namespace platform::host
