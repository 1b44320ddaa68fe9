// The sound command: the WAV file of the project through the sound dialog.
#include "app/createavi.h"

#include "output/addsound.h"
#include "platform/qt/modal.h"

void TAVIForm::ActionInsertWavExecute(QObject*)
{
    // Owned by the window, so that it opens over it.
    TFormAddSound dialog(this);
    OptionsChanged = false;
    if (ShowModal(dialog) == mrOk) {
        // A dialog that changed nothing leaves the project as it was: an earlier change that
        // is not saved yet stays to be saved.
        if (OptionsChanged)
            SetProjectModified(true);
        OptionsChanged = false;
    }
}
