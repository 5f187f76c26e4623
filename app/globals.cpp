#include "app/globals.h"

#include "display/display_context.h"
#include "scene/scene_state.h"

DisplayContext* gDisplay = nullptr;
SceneState* gScene = nullptr;
std::atomic<DWORD> gAppActive{0};
UINT gTimerId = 0;
UINT gTimerPeriod = 0;
