// Where the toolbars and the preview panel stand, and the window's outer size.
#include "app/createavi.h"

#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

#include "platform/qt/controls.h"

void TAVIForm::ArrangeToolbars()
{
    Panel1->setGeometry(225, 2, 150, 22);
    ToolBar3->setGeometry(11, 2, 134, 22);
    ToolBar4->setGeometry(160, 2, 54, 22);
    ToolBar2->setGeometry(11, 28, 274, 22);
    ToolBarEffect->setGeometry(298, 28, 87, 22);
    ToolBar5->setGeometry(398, 28, 54, 22);
    ToolBar1->setGeometry(465, 28, 86, 22);
    ControlBar1->update();
    StatusBar1->update();
}

void TAVIForm::CenterPreview()
{
    const int w = FrameWidth + 4;
    const int h = FrameHeight + 4;
    const int left = ScrollBox1->width() > w ? (ScrollBox1->width() - w) / 2 : 0;
    const int top = ScrollBox1->height() > h ? (ScrollBox1->height() - h) / 2 : 0;
    PanelImage->setGeometry(left, top, w, h);
}

int TAVIForm::OuterWidth() const { return frameGeometry().width(); }
int TAVIForm::OuterHeight() const { return frameGeometry().height(); }

void TAVIForm::SetOuterSize(int width, int height)
{
    wantedOuterWidth_ = width;
    wantedOuterHeight_ = height;
    const int frameW = frameGeometry().width() - geometry().width();
    const int frameH = frameGeometry().height() - geometry().height();
    resize(std::max(1, width - frameW), std::max(1, height - frameH));
}
