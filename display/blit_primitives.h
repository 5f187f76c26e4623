// Copies, fills and flips under the lost-surface and still-drawing policy: DD_OK succeeds,
// DDERR_WASSTILLDRAWING repeats the call at once, DDERR_SURFACELOST restores every surface once
// and fails, anything else fails. Results are 1 for success and 0 for failure.
#pragma once

#include <cstdint>

#include <ddraw.h>

// BltFast of `sourceRect` to (x, y) of `dest`.
std::int32_t BltFastRetry(IDirectDrawSurface* dest, DWORD x, DWORD y, IDirectDrawSurface* source, RECT* sourceRect,
                          DWORD flags);

// Blt of `sourceRect` into the equally large rectangle whose top-left corner is (x, y) of `dest`.
std::int32_t BltRetry(IDirectDrawSurface* dest, std::int32_t x, std::int32_t y, IDirectDrawSurface* source,
                      RECT* sourceRect, DWORD flags, DDBLTFX* effects);
