// Selection, the shown frame, the enabling of the commands and the status bar.
#include "app/createavi.h"

#include <QScrollArea>

#include "platform/qt/controls.h"

void TAVIForm::CenterPreview()
{
    const int w = FrameWidth + 4;
    const int h = FrameHeight + 4;
    const int left = ScrollBox1->width() > w ? (ScrollBox1->width() - w) / 2 : 0;
    const int top = ScrollBox1->height() > h ? (ScrollBox1->height() - h) / 2 : 0;
    PanelImage->setGeometry(left, top, w, h);
}
