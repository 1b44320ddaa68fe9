#pragma once
// Where a frame comes from: the folder and name of its picture file, its image number inside
// a GIF, and whether the file is still there.
#include <QDialog>

#include <string>
#include <utility>

#include "app/frame_list.h"
#include "app/frame_selection.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TPanel;

// The folder (up to and including the last "/") and the name after it; a path without a
// folder is all name.
std::pair<std::string, std::string> SplitFramePath(const std::string& path);

class TFormProperties : public QDialog {
    Q_OBJECT
public:
    // Describes the frame that was selected first.
    TFormProperties(const TFrameList& frames, const TFrameSelection& selection, QWidget* parent = nullptr);

    // Fills the boxes; an empty selection or a frame index outside the list raises
    // std::out_of_range.
    void FormShow();

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit3 = nullptr;
    TPanel* Panel1 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const TFrameList& frames_;
    const TFrameSelection& selection_;
};
