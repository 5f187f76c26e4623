// The executable's resource table: how the generated resource file registers what the build
// embedded, and controls that let tests add, hide or fail resources.
#pragma once

#include <cstddef>
#include <vector>

#include "windef.h"

namespace platform::resources {

// One resource compiled into the executable. `data` is aligned to 8 bytes so a locked bitmap
// resource can be read as a BITMAPINFOHEADER in place.
struct EmbeddedResource {
    int type;  // integer resource type: RT_BITMAP 2, RT_ICON 3, RT_GROUP_ICON 14
    int id;
    const unsigned char* data;
    std::size_t size;
};

// A block of embedded resources. The generated resource file defines one and registers it
// during static initialisation; programs linked without it simply have no resources.
struct EmbeddedResourceTable {
    const EmbeddedResource* entries;
    std::size_t count;
    EmbeddedResourceTable* next;  // set by the registry
};
void RegisterEmbeddedResources(EmbeddedResourceTable* table);

// Tests only. Types and ids are integers, given as MAKEINTRESOURCEA(n) or "#n".
// Adds (or replaces) a resource visible to FindResourceA for the rest of the process.
void AddForTesting(LPCSTR type, int id, std::vector<unsigned char> bytes);
// Hides a resource, embedded or added, from FindResourceA. Handles found earlier stay usable.
void RemoveForTesting(LPCSTR type, int id);
// LockResource returns NULL the next `times` times (0 stops failing).
void FailLockResource(int times);

}  // namespace platform::resources
