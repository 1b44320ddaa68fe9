#include "platform/qt/screen.h"

#include <QGuiApplication>
#include <QScreen>

TScreenInfo::~TScreenInfo() = default;

namespace {

class TQtScreen : public TScreenInfo {
public:
    int Width() override { return Primary() ? Primary()->geometry().width() : 0; }
    int Height() override { return Primary() ? Primary()->geometry().height() : 0; }
    int BitsPerPixel() override { return Primary() ? Primary()->depth() : 0; }
    int Planes() override { return 1; }

private:
    static const QScreen* Primary() { return QGuiApplication::primaryScreen(); }
};

TQtScreen qtScreen;
TScreenInfo* screen = &qtScreen;

} // namespace

TScreenInfo& Screen() { return *screen; }
void SetScreen(TScreenInfo* s) { screen = s ? s : &qtScreen; }
