// Help, the about box and the banner; and the fixed places of the control bar's toolbars.
#include "app/createavi.h"

#include <QStatusBar>
#include <QToolBar>

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
