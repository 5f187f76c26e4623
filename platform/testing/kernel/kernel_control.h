// Test controls of the kernel: a fixed tick count, and resources added, hidden or failing.
#pragma once

#include <optional>
#include <vector>

#include "windef.h"

namespace platform::testing {

// GetTickCount returns this value while set; nullopt returns to the real clock.
void SetTickCount(std::optional<DWORD> fixed);

}  // namespace platform::testing

namespace platform::resources {

// Types and ids are integers, given as MAKEINTRESOURCEA(n) or "#n".
// Adds a resource visible to FindResourceA for the rest of the process, or replaces an earlier
// addition in place (handles found earlier then see the new bytes).
void AddForTesting(LPCSTR type, int id, std::vector<unsigned char> bytes);
// Hides a resource, embedded or added, from FindResourceA. Handles found earlier stay usable.
void RemoveForTesting(LPCSTR type, int id);
// LockResource returns NULL the next `times` times (0 stops failing).
void FailLockResource(int times);

}  // namespace platform::resources
