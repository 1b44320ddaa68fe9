// The frame strip: its cells, and the steps every command that changes the frames or the
// selection repeats on it.
#include "app/createavi.h"

#include <QAction>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <optional>
#include <utility>

#include "app/resample.h"
#include "platform/memory_guard.h"
#include "platform/qt/controls.h"
#include "platform/qt/qt_bridge.h"

void TAVIForm::SetStripRange()
{
    // The strip's content is as tall as the range; the scroll bar is set at once as well,
    // since the scroll area learns of the new size only when the strip is next laid out.
    const int range = ScrollRange(FrameCount());
    QWidget* strip = ScrollBox2->widget();
    strip->resize(strip->width(), range);
    QScrollBar* bar = ScrollBox2->verticalScrollBar();
    bar->setRange(0, std::max(0, range - ScrollBox2->viewport()->height()));
    bar->setPageStep(ScrollBox2->viewport()->height());
    bar->setSingleStep(CellPitch());
}

void TAVIForm::ScrollStripTo(int position)
{
    // The scroll bar keeps its value within its range.
    ScrollBox2->verticalScrollBar()->setValue(position);
}

void TAVIForm::ScrollStripToFrame(int frame) { ScrollStripTo(CellTop(frame)); }

void TAVIForm::ScrollStripToEnd() { ScrollStripTo(ScrollBox2->verticalScrollBar()->maximum()); }

void TAVIForm::SelectFrame(int frame)
{
    TShape* marker = CellMarkers.at(std::size_t(frame));
    if (std::find(SelectedFrames.begin(), SelectedFrames.end(), frame) == SelectedFrames.end())
        SelectedFrames.push_back(frame);
    marker->show();
}

void TAVIForm::EmptySelection()
{
    while (!SelectedFrames.empty()) {
        const int frame = SelectedFrames.back();
        SelectedFrames.pop_back();
        if (frame >= 0 && std::size_t(frame) < CellMarkers.size())
            CellMarkers[std::size_t(frame)]->hide();
    }
}

void TAVIForm::UpdateUpDownActions()
{
    const TUpDownState state = UpDownForSelection(SelectedFrames, FrameCount());
    ActionUp->setEnabled(state.Up);
    ActionDown->setEnabled(state.Down);
}

void TAVIForm::SetProjectModified(bool modified) { ActionSaveProject->setEnabled(modified); }

bool TAVIForm::ProjectModified() const { return ActionSaveProject->isEnabled(); }

// ---- Cells

namespace {

void SetTag(QWidget* control, int tag)
{
    if (auto* panel = qobject_cast<TPanel*>(control))
        panel->Tag = tag;
    else if (auto* shape = qobject_cast<TShape*>(control))
        shape->Tag = tag;
    else
        control->setProperty("Tag", tag);
}

void ShowThumbnail(QLabel* image, const TBitmap& thumbnail)
{
    // The image keeps its own copy, drawn at its top-left corner and cut at its edges.
    image->setPixmap(QPixmap::fromImage(BitmapToPixmapImage(thumbnail)));
}

std::string TimeCaption(WORD time) { return std::to_string(time) + " мсек"; }

} // namespace

int CellTag(const QObject* control)
{
    if (auto* panel = qobject_cast<const TPanel*>(control))
        return panel->Tag;
    if (auto* shape = qobject_cast<const TShape*>(control))
        return shape->Tag;
    return control->property("Tag").toInt();
}

TFrameCell TAVIForm::CreateFrameThumbnail(int number, WORD time, const TBitmap& thumbnail)
{
    const int tag = number - 1;
    QWidget* strip = ScrollBox2->widget();
    const int top = CellPanels.empty() ? 4 : CellPanels.back()->y() + CellPanels.back()->height() + 4;

    TFrameCell cell;
    // Owned by the strip until the list takes it; a throw below takes the half-built cell
    // with it.
    std::unique_ptr<TPanel> panel(new TPanel(strip));
    panel->setGeometry(4, top, CellWidth, CellHeight);
    panel->SetBevel(bvRaised);
    BindMouseDown(panel.get(), nullptr);
    // The cell's parts lie inside its 1-pixel bevel: the header at the top, the time at the
    // bottom, the picture between them.
    const int inside = CellWidth - 2;

    cell.TimePanel = new TPanel(panel.get());
    cell.TimePanel->setGeometry(1, CellHeight - 1 - CellTimeHeight, inside, CellTimeHeight);
    cell.TimePanel->SetBevel(bvNone);
    cell.TimePanel->SetCaption(TimeCaption(time));
    SetTag(cell.TimePanel, tag);
    BindMouseDown(cell.TimePanel, &TAVIForm::FrameStripMouseDown);

    const std::pair<int, void (TAVIForm::*)(QObject*)> icons[] = {
        {5, &TAVIForm::FrameSettingsIconClick}, {6, &TAVIForm::FrameColorIconClick}};
    for (const auto& [picture, onClick] : icons) {
        auto* icon = new QLabel(cell.TimePanel);
        icon->setObjectName(picture == 5 ? "SettingsIcon" : "ColorIcon");
        const int left = picture == 5 ? 6 : cell.TimePanel->width() - 22;
        icon->setGeometry(left, 2, 16, 16);
        if (picture < ImageListEditTrue.size())
            icon->setPixmap(ImageListEditTrue[picture].pixmap(16, 16));
        icon->setCursor(Qt::PointingHandCursor);
        SetTag(icon, tag);
        BindMouseDown(icon, &TAVIForm::FrameStripMouseDown);
        BindClick(icon, onClick);
    }

    cell.HeaderPanel = new TPanel(panel.get());
    cell.HeaderPanel->setGeometry(1, 1, inside, CellHeaderHeight);
    cell.HeaderPanel->SetBevel(bvNone);
    cell.HeaderPanel->SetCaption("Кадр #" + std::to_string(number));
    SetTag(cell.HeaderPanel, tag);
    BindMouseDown(cell.HeaderPanel, &TAVIForm::FrameStripMouseDown);

    auto* inner = new TPanel(panel.get());
    inner->setObjectName("InnerPanel");
    inner->setGeometry(1, 1 + CellHeaderHeight, inside, CellHeight - 2 - CellHeaderHeight - CellTimeHeight);
    inner->SetBevel(bvLowered);
    BindMouseDown(inner, nullptr);

    cell.Image = new QLabel(inner);
    cell.Image->setGeometry(1, 1, inner->width() - 2, inner->height() - 2);
    cell.Image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ShowThumbnail(cell.Image, thumbnail);
    SetTag(cell.Image, tag);
    BindMouseDown(cell.Image, &TAVIForm::FrameStripMouseDown);

    cell.Marker = new TShape(inner);
    cell.Marker->setGeometry(1, 1, cell.Image->width(), cell.Image->height());
    cell.Marker->PenColor = RGB(255, 0, 0);
    cell.Marker->PenStyle = spDot;
    cell.Marker->ClearBrush = true;
    cell.Marker->Tag = tag;
    cell.Marker->hide();
    BindMouseDown(cell.Marker, &TAVIForm::FrameStripMouseDown);

    panel->show();
    cell.Panel = panel.release();
    return cell;
}

void TAVIForm::AppendFrameWithCell(TFrameData frame)
{
    // The cell shows the thumbnail the frame brings; should the frame have none, a white one.
    std::optional<TBitmap> blank;
    if (!frame.Thumbnail)
        blank.emplace(ThumbWidth, ThumbHeight, pf24bit);
    const TBitmap& thumbnail = frame.Thumbnail ? *frame.Thumbnail : *blank;
    TFrameCell cell = CreateFrameThumbnail(int(FrameCount()) + 1, frame.Time, thumbnail);
    AppendFrame(std::move(frame), cell);
}

void TAVIForm::RedrawCell(std::size_t index)
{
    CellTimePanels.at(index)->SetCaption(TimeCaption(FrameTimes.at(index)));
    if (const TBitmap* thumbnail = FrameThumbnails.at(index).get())
        ShowThumbnail(CellImages.at(index), *thumbnail);
}

std::unique_ptr<TBitmap> TAVIForm::MakeThumbnailBitmap(const TBitmap& picture) const
{
    return ::MakeThumbnailBitmap(picture, ThumbWidth, ThumbHeight);
}

void TAVIForm::ReserveFrameMemory(int width, int height) const
{
    // The cell's nine widgets and the label's own copy of the thumbnail, drawn at 32 bits,
    // beside the frame's two bitmaps.
    constexpr std::uint64_t cellWidgets = 48 << 10;
    ReserveMemory(BitmapMemoryBytes(width, height, DeviceBitsPerPixel()) +
                  BitmapMemoryBytes(ThumbWidth, ThumbHeight, 24) + BitmapMemoryBytes(ThumbWidth, ThumbHeight, 32) +
                  cellWidgets);
}
