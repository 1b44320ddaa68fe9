#pragma once
// The primary screen's size and colour depth, behind a seam so that a test can choose the
// screen the window starts on. Nothing in this header needs Qt.
#include "platform/types.h"

class TScreenInfo {
public:
    virtual ~TScreenInfo();
    // In pixels; 0 when there is no screen at all.
    virtual int Width() = 0;
    virtual int Height() = 0;
    virtual int BitsPerPixel() = 0;
    virtual int Planes() = 0;
};

TScreenInfo& Screen();
void SetScreen(TScreenInfo* screen); // nullptr restores the real screen
