#pragma once
// Small widgets in the shape of the class library's controls that the windows and dialogs are
// laid out from: a panel with a centred caption and bevels, a shape, a splitter bar, a status
// bar with panels of a least width that widen to their text as far as the screen has room (or,
// for a text of no set length such as a file name, show what fits; its bodies are in
// controls_status_bar.cpp), a paint box, an image, a radio group, a spin edit, a track bar and
// a draw grid. Colours are TColor values, system colours among them, resolved where they are
// painted.
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphic.h"
#include "platform/types.h"

class QButtonGroup;
class QPainter;
class QRadioButton;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);

    void SetCaption(const std::string& caption);
    std::string Caption() const;
    void SetBevel(TBevelCut outer, TBevelCut inner = bvNone, int width = 1);
    TBevelCut BevelOuter() const { return outer_; }
    TBevelCut BevelInner() const { return inner_; }
    void SetColor(TColor color);
    // The value the program keeps with the control (the frame index of a strip cell's parts).
    int Tag = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* caption_;
    TBevelCut outer_ = bvRaised;
    TBevelCut inner_ = bvNone;
    int bevelWidth_ = 1;
};

enum TShapeType { stRectangle };
enum TShapePenStyle { spSolid, spDot };

class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);
    TColor PenColor = 0;
    TShapePenStyle PenStyle = spSolid;
    bool ClearBrush = false;
    TColor BrushColor = 0xFFFFFF;
    int Tag = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A bar the user drags to give the panel below it more or less height.
class TSplitter : public QWidget {
    Q_OBJECT
public:
    explicit TSplitter(QWidget* resized, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QWidget* resized_;
    int pressY_ = 0;
    int startHeight_ = 0;
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// How a status panel fits its text. A panel of pfWholeText is as wide as its whole text, and
// the window with it, as far as the window's screen has room; past that such panels share
// what the screen leaves them, the same number of pixels cut from each down to its least
// width, and leave out the start of the text, which keeps the figure at its end in sight. A
// panel of pfElideMiddle gives way first: as wide as its text while the window has room, down
// to its least width, with the middle of the text left out. A panel that cannot show all of
// its text has the whole text as its tooltip.
enum TPanelFit { pfWholeText, pfElideMiddle };

class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);
    // width is the least: the panel widens to its text in its font, as fit says.
    void AddPanel(int width, TAlignment alignment = taLeftJustify, TPanelFit fit = pfWholeText);
    int PanelCount() const { return int(panels_.size()); }
    // Range-checked: an index past the panels raises std::out_of_range.
    void SetPanelText(int index, const std::string& text);
    std::string PanelText(int index) const;
    // What the panel shows of its text at its present width.
    std::string PanelShownText(int index) const;
    int PanelWidth(int index) const;
    QLabel* Panel(int index) const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sets how narrow each panel may be, so that the window at the width of its screen holds them.
    void FitToScreen();
    // What the bar takes besides its panels: its margins, the gaps, the size grip.
    int WidthBesidesPanels();
    void InvalidateRows();
    // Follows the window the bar is in: its frame and its screen give the panels their room.
    void WatchWindow();

    std::vector<QLabel*> panels_;
    QPointer<QWidget> watched_;
    QPointer<QScreen> screen_;
    QMetaObject::Connection screenResized_;
};

// A control that has no picture of its own: its form draws it in OnPaint.
class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);
    std::function<void(QPainter& painter)> OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Shows its picture at the picture's own size from the top-left corner. An animated GIF
// animates through the library's painter; each frame it paints is shown as it comes.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;
    TPicture Picture;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the picture draws itself on; kept, so that its painter keeps the same canvas.
    TBitmap* Target(int width, int height);
    std::unique_ptr<TBitmap> target_;
};

// A group of radio buttons laid out in columns, one of them chosen by its index.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent = nullptr);
    int ItemIndex() const;
    // -1 chooses none.
    void SetItemIndex(int index);
    int Count() const { return int(buttons_.size()); }
    // Runs when the user picks an item (not when the program sets one).
    std::function<void()> OnClick;

private:
    QButtonGroup* group_;
    std::vector<QRadioButton*> buttons_;
};

// A spin edit with arrows only. It keeps its value between MinValue and MaxValue while the
// two differ; with both the same it has no upper limit.
class TCSpinEdit : public QSpinBox {
public:
    explicit TCSpinEdit(QWidget* parent = nullptr);
    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    void SetMinValue(int value);
    void SetMaxValue(int value);

private:
    void ApplyRange();
    int min_ = 0;
    int max_ = 0;
};

// A track bar drawn the way its dialog wants it: a white channel with a black outline and the
// Thumb picture as its thumb; the ticks are ordinary ones. It keeps no focus: whenever it
// paints, the focus goes to FocusTarget (the dialog's OK button).
class TTrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TTrackBar(QWidget* parent = nullptr);
    QImage Thumb;
    QWidget* FocusTarget = nullptr;
    // Where the channel and the thumb are drawn.
    QRect ChannelRect() const;
    QRect ThumbRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    QSize sizeHint() const override;

private:
    // The area the thumb's left edge travels along.
    int Span() const;
    void TrackTo(int x);
    void TrackBarCustomDraw(QPainter& painter);
    int grabOffset_ = -1;
};

// A grid of equal cells drawn by its owner. Selecting a cell (by mouse, arrow keys or
// SelectCell) first asks OnSelectCell, which may refuse.
class TDrawGrid : public QWidget {
public:
    explicit TDrawGrid(QWidget* parent = nullptr);
    int ColCount() const { return columns_; }
    int RowCount() const { return rows_; }
    void SetColCount(int count);
    void SetRowCount(int count);
    int Col() const { return col_; }
    int Row() const { return row_; }
    int DefaultColWidth = 10;
    int DefaultRowHeight = 10;
    // True when the cell became the selected one.
    bool SelectCell(int col, int row);
    QRect CellRect(int col, int row) const;

    std::function<void(QPainter&, int col, int row, const QRect& rect, bool focused)> OnDrawCell;
    std::function<void(int col, int row, bool& canSelect)> OnSelectCell;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int columns_ = 16;
    int rows_ = 16;
    int col_ = 0;
    int row_ = 0;
};
