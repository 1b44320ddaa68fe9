// Operations on the project state as a whole.
#include "app/createavi.h"

#include <QAction>
#include <QPlainTextEdit>

void TAVIForm::ClearAllFrames()
{
    ClearFrames();
    SelectedFrames.clear();
    Memo1->clear();
    UpdateFrameActions(false);
    ActionUp->setEnabled(false);
    ActionDown->setEnabled(false);
}
