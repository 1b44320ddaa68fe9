#pragma once
// A headless main window whose frames come from real picture files and have strip cells,
// for the commands that edit frames.
#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>

#include <filesystem>
#include <memory>
#include <string>

#include "app/form_fixture.h"
#include "platform/bitmap.h"
#include "platform/qt/controls.h"

constexpr TColor QuadRed = RGB(255, 0, 0);
constexpr TColor QuadGreen = RGB(0, 255, 0);
constexpr TColor QuadBlue = RGB(0, 0, 255);
constexpr TColor QuadYellow = RGB(255, 255, 0);

// Red top-left, green top-right, blue bottom-left, yellow bottom-right.
inline TBitmap QuadrantPicture(int width, int height)
{
    TBitmap picture(width, height, pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            picture.SetPixel(x, y, bottom ? (right ? QuadYellow : QuadBlue) : (right ? QuadGreen : QuadRed));
        }
    return picture;
}

class TFrameCommandTest : public TFormTest {
protected:
    void SetUp() override
    {
        TFormTest::SetUp();
        TTestForm& form = MakeForm();
        form.FrameWidth = 320;
        form.FrameHeight = 240;
        form.ProjectType = 1;
        form.SetProjectModified(false);
    }
    TTestForm& Form() { return *form_; }

    // A 40 x 30 quadrant picture saved as BMP, as frame of the given time and placement.
    int AddPictureFrame(WORD time = 500, MYRECT placement = {0, 0, 40, 30}, const std::string& name = "")
    {
        const int index = int(Form().FrameCount());
        const auto file = temp_ / (name.empty() ? "frame" + std::to_string(index) + ".bmp" : name);
        if (!std::filesystem::exists(file))
            QuadrantPicture(40, 30).SaveToFile(file.string());
        TFrameData frame;
        frame.File = file.string();
        frame.Time = time;
        frame.Placement = placement;
        frame.GifOptions = Form().DefaultGifOptions;
        frame.Bitmap = std::make_unique<TBitmap>(placement.Width, placement.Height, pf24bit);
        frame.Thumbnail = std::make_unique<TBitmap>(Form().ThumbWidth, Form().ThumbHeight, pf24bit);
        Form().AppendFrameWithCell(std::move(frame));
        return index;
    }
    void Select(std::initializer_list<int> frames)
    {
        Form().EmptySelection();
        for (int f : frames)
            Form().SelectFrame(f);
        Form().UpdateFrameActions(true);
        Form().UpdateUpDownActions();
    }
    QLabel* Icon(int frame, const char* name)
    {
        return Form().CellTimePanels[std::size_t(frame)]->findChild<QLabel*>(name);
    }
    static void Click(QWidget* w)
    {
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, QPointF(4, 4), w->mapToGlobal(QPointF(4, 4)), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &event);
        }
    }
    TFakeModalDialogs& Dialogs() { return desktop_.ModalDialogs; }
};
