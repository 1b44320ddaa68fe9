#pragma once
// Small widgets in the shape of the class library's controls that the windows are laid out
// from: a panel with a centred caption and bevels, a shape, a splitter bar and a status bar
// with panels of a least width that widen to their text (or, for a text of no set length such
// as a file name, show what fits). Colours are TColor values, system colours among them,
// resolved where they are painted.
#include <QFrame>
#include <QLabel>
#include <QStatusBar>
#include <QWidget>

#include <string>
#include <vector>

#include "platform/types.h"

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

// How a status panel fits its text: whole, widening the panel (and the window, when it is too
// narrow) as far as the text needs; or as wide as the text while the window has room, down
// to the panel's least width, with the middle of the text left out where it does not fit.
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

private:
    std::vector<QLabel*> panels_;
};
