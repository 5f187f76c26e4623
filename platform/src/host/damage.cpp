#include "host/damage.h"

#include <utility>

namespace platform::host {

Damage::Damage() { pixman_region32_init(&region_); }

Damage::~Damage() { pixman_region32_fini(&region_); }

Damage::Damage(const Damage& other) {
    pixman_region32_init(&region_);
    pixman_region32_copy(&region_, const_cast<pixman_region32_t*>(&other.region_));
}

Damage& Damage::operator=(const Damage& other) {
    if (this != &other) pixman_region32_copy(&region_, const_cast<pixman_region32_t*>(&other.region_));
    return *this;
}

void Damage::Swap(Damage& other) noexcept { std::swap(region_, other.region_); }

void Damage::Clear() { pixman_region32_clear(&region_); }

void Damage::Add(int left, int top, int right, int bottom) {
    if (left >= right || top >= bottom) return;
    pixman_region32_union_rect(&region_, &region_, left, top, static_cast<unsigned>(right - left),
                               static_cast<unsigned>(bottom - top));
}

void Damage::Record(int left, int top, int right, int bottom) {
    Add(left, top, right, bottom);
    if (pixman_region32_n_rects(&region_) > kMaxRectangles) {
        const pixman_box32_t box = *pixman_region32_extents(&region_);
        pixman_region32_reset(&region_, &box);
    }
}

void Damage::Add(const Damage& other) {
    pixman_region32_union(&region_, &region_, const_cast<pixman_region32_t*>(&other.region_));
}

void Damage::Subtract(const Damage& other) {
    pixman_region32_subtract(&region_, &region_, const_cast<pixman_region32_t*>(&other.region_));
}

void Damage::Clip(int width, int height) {
    pixman_region32_intersect_rect(&region_, &region_, 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height));
}

bool Damage::Empty() const { return !pixman_region32_not_empty(const_cast<pixman_region32_t*>(&region_)); }

std::span<const pixman_box32_t> Damage::Boxes() const {
    int count = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(const_cast<pixman_region32_t*>(&region_), &count);
    return {boxes, static_cast<std::size_t>(count)};
}

pixman_box32_t Damage::Extents() const { return *pixman_region32_extents(const_cast<pixman_region32_t*>(&region_)); }

std::uint64_t Damage::Area() const {
    std::uint64_t area = 0;
    for (const pixman_box32_t& box : Boxes()) {
        area += static_cast<std::uint64_t>(box.x2 - box.x1) * static_cast<std::uint64_t>(box.y2 - box.y1);
    }
    return area;
}

}  // namespace platform::host
