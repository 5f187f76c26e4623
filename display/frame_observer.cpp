#include "display/frame_observer.h"

FrameObserver* gFrameObserver = nullptr;
