// SDL key codes to Windows virtual-key codes. Like virtual keys, SDL key codes follow the
// keyboard layout (the key labelled A gives 'A'), so the mapping is by key code, not scan code.
#pragma once

#include <SDL.h>

namespace platform::host {

// The Windows virtual-key code of the key, or 0 when it has none here.
unsigned VirtualKeyFromSdl(SDL_Keycode key);

}  // namespace platform::host
