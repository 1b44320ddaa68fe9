#pragma once
// Qt's own screen resized under the offscreen platform, which every test program runs on: what
// a window reads from QScreen (its screen's available geometry) then agrees with the screen
// double the program starts with. The offscreen screen has no work area of its own, so the
// available geometry is the whole screen.
#include <QSize>

// False (and nothing changes) on any other platform.
bool SetOffscreenScreenSize(QSize size);
// The size of the screen the offscreen platform shows windows on.
QSize OffscreenScreenSize();
