// The colour options command: runs TGifOptionForm for the selected frames.
#include "app/createavi.h"

#include <QAction>
#include <QLabel>

#include "editing/gifoptions.h"
#include "platform/qt/modal.h"

namespace {

// The dialog edits the frames exactly while the command runs it, and its answer is for this
// command only: both are given back on every way out, errors included.
class TFrameColoursScope {
public:
    explicit TFrameColoursScope(TAVIForm& form) : form_(form)
    {
        form_.GifOptionsForFrames = true;
        form_.OptionsChanged = false;
    }
    ~TFrameColoursScope()
    {
        form_.GifOptionsForFrames = false;
        form_.OptionsChanged = false;
    }
    TFrameColoursScope(const TFrameColoursScope&) = delete;
    TFrameColoursScope& operator=(const TFrameColoursScope&) = delete;

private:
    TAVIForm& form_;
};

} // namespace

void TAVIForm::ActionColorExecute() { EditFrameColors(); }

void TAVIForm::FrameColorIconClick(QObject* sender)
{
    // The options act only when an animated GIF is written.
    if (ProjectType == 0 || !qobject_cast<QLabel*>(sender) || PreviewRunning || PreviewResumable)
        return;
    SelectOnlyFrame(CellTag(sender));
    EditFrameColors();
}

void TAVIForm::EditFrameColors()
{
    if (SelectedFrames.empty() || PreviewRunning || PreviewResumable)
        return;
    TFrameColoursScope scope(*this);
    TGifOptionForm dialog(*this);
    // The dialog may only make the project modified, never take that back.
    if (ShowModal(dialog) == mrOk && OptionsChanged)
        SetProjectModified(true);
}
