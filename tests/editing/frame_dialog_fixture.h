#pragma once
// A headless main window with a project of a few frames, for the frame dialogs.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>

#include <fstream>
#include <memory>
#include <string>

#include "app/form_fixture.h"
#include "platform/bitmap.h"

// One frame of the test project; the bitmap is red on the left half, blue on the right.
struct TFrameSpec {
    WORD Time = 500;
    MYRECT Placement{0, 0, 320, 240};
    bool Stretch = false;
    GIFOPTIONS Options{0, 7, 8, 0, 0, 0xFFFFFF, 0, false};
    bool FileExists = true;
    int BitmapWidth = 40;
    int BitmapHeight = 30;
};

class TFrameDialogTest : public TFormTest {
protected:
    void SetUp() override
    {
        TFormTest::SetUp();
        TTestForm& form = MakeForm();
        form.FrameWidth = 320;
        form.FrameHeight = 240;
        form.ProjectType = 1;
    }

    TTestForm& Form() { return *form_; }

    // Appends a frame whose picture file exists (or not) and whose bitmap is two-coloured.
    int AddFrame(const TFrameSpec& spec)
    {
        const int index = int(Form().FrameCount());
        const auto file = temp_ / ("frame" + std::to_string(index) + ".bmp");
        if (spec.FileExists)
            std::ofstream(file) << "x";
        TFrameData frame;
        frame.Bitmap = std::make_unique<TBitmap>(spec.BitmapWidth, spec.BitmapHeight, pf24bit);
        for (int y = 0; y < spec.BitmapHeight; ++y)
            for (int x = 0; x < spec.BitmapWidth; ++x)
                frame.Bitmap->SetPixel(x, y, x < spec.BitmapWidth / 2 ? RGB(200, 30, 30) : RGB(20, 40, 220));
        frame.File = file.string();
        frame.Time = spec.Time;
        frame.GifOptions = spec.Options;
        frame.Placement = spec.Placement;
        frame.Stretch = spec.Stretch;
        frame.Thumbnail = std::make_unique<TBitmap>();
        Form().AppendFrame(std::move(frame), TFrameCell{});
        return index;
    }

    void AddFrames(int count, const TFrameSpec& spec = {})
    {
        for (int i = 0; i < count; ++i)
            AddFrame(spec);
    }

    void Select(std::initializer_list<int> frames) { Form().SelectedFrames.assign(frames); }
};

// What a user's key press does to the control that has the focus.
inline void PressKey(QWidget& control, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(&control, &press);
    QApplication::sendEvent(&control, &release);
}

// The user picks an item of a drop-down list.
inline void Choose(QComboBox& list, int index)
{
    list.setCurrentIndex(index);
    emit list.activated(index);
}
