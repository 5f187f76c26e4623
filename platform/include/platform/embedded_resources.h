// The executable's resource table: how the generated resource file registers what the build
// embedded.
#pragma once

#include <cstddef>

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

}  // namespace platform::resources
