#pragma once
// The compressor choice of the AVI writer as a Qt dialog: the compressors on offer, the one
// the options preselect, and the quality of those that take one. It goes through the modal
// dialog service, so tests answer it like any other dialog.
#include <QDialog>

#include "output/avi_file.h"

class QDialogButtonBox;
class QLabel;
class QListWidget;
class QSpinBox;

// The dialog itself: pick a compressor; quality (1 to 100) only for those that have one.
class TCodecDialog : public QDialog {
public:
    TCodecDialog(QWidget* owner, const AVICOMPRESSOPTIONS& options);
    // What the dialog shows now, as the options it would hand back.
    AVICOMPRESSOPTIONS Options() const;

    QListWidget* CompressorList = nullptr;
    QLabel* QualityLabel = nullptr;
    QSpinBox* QualityEdit = nullptr;
    QDialogButtonBox* Buttons = nullptr;

private:
    void CompressorChanged();
};

class TCodecChooser final : public TAviSaveOptionsChooser {
public:
    // owner is the window the dialog belongs to (a QWidget, or nullptr).
    bool Choose(void* owner, PAVISTREAM stream, AVICOMPRESSOPTIONS& options) override;
};

// Puts the dialog in for the life of the object and gives back the chooser that was there
// before. The main window holds one, so the choice is the dialog exactly while a window is
// there to own it.
class TCodecChooserInstall {
public:
    TCodecChooserInstall();
    ~TCodecChooserInstall();
    TCodecChooserInstall(const TCodecChooserInstall&) = delete;
    TCodecChooserInstall& operator=(const TCodecChooserInstall&) = delete;

private:
    TCodecChooser chooser_;
    TAviSaveOptionsChooser* before_;
};
