// The globals that go with the main window.
#include "app/createavi.h"

TAVIForm* AVIForm = nullptr;
TIMECAPS TimerCaps;
UINT PlaybackTimerId = 0;
