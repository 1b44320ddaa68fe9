#include "editing/properties.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "app/form_fixture.h"
#include "platform/qt/controls.h"
#include "platform/qt/qt_bridge.h"
#include "support/paths.h"
#include "support/qt/application.h"
#include "support/qt/fake_desktop.h"

namespace {

struct TFrames : TFrameList, TFrameSelection {
    void Add(const std::string& file, int subImage)
    {
        TFrameData data;
        data.File = file;
        data.SubImage = subImage;
        AppendFrame(std::move(data), TFrameCell{});
    }
};

int Luma(QRgb c) { return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000; }

// How far the panel's darkest or lightest pixel stands from its background, 0 to 255: the
// letters of a readable caption stand far off.
int CaptionContrast(TPanel& panel)
{
    const QImage image = panel.grab().toImage();
    const int background = Luma(image.pixel(image.width() / 2, 3));
    int contrast = 0;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            contrast = std::max(contrast, std::abs(Luma(image.pixel(x, y)) - background));
    return contrast;
}

} // namespace

TEST(FrameInformation, DescribesTheFrameSelectedFirst)
{
    EnsureApplication();
    TFakeDesktop desktop;
    kelvo::test::TTempDir temp;
    const std::string folder = (temp / "my pictures").string() + "/";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "a.bmp") << "x";
    std::ofstream(folder + "anim.gif") << "x";

    struct TCase {
        std::string File;
        int SubImage;
        std::string Folder, Name;
        bool Found;
    };
    const TCase cases[] = {
        {folder + "a.bmp", 0, folder, "a.bmp", true},
        {folder + "anim.gif", 2, folder, "anim.gif", true},
        {"pic.png", 0, "", "pic.png", false},
        {folder + "gone.jpg", 0, folder, "gone.jpg", false},
    };
    TFrames frames;
    for (const TCase& c : cases)
        frames.Add(c.File, c.SubImage);

    for (int i = 0; i < int(std::size(cases)); ++i) {
        const TCase& c = cases[i];
        // Another frame selected later must not matter.
        frames.SelectedFrames = {i, (i + 1) % 4};
        TFormProperties form(frames, frames);
        form.FormShow();
        SCOPED_TRACE(c.File);
        EXPECT_EQ(form.windowTitle().toStdString(), "Источник " + std::to_string(i + 1) + " кадра");
        EXPECT_EQ(form.Edit1->text().toStdString(), c.Folder);
        EXPECT_EQ(form.Edit1->toolTip().toStdString(), c.Folder);
        EXPECT_EQ(form.Edit2->text().toStdString(), c.Name);
        EXPECT_EQ(form.Edit3->text().toInt(), c.SubImage);
        EXPECT_TRUE(form.Edit1->isReadOnly() && form.Edit2->isReadOnly() && form.Edit3->isReadOnly());
        const QColor panel = form.Panel1->palette().color(QPalette::Window);
        if (c.Found) {
            EXPECT_EQ(form.Panel1->Caption(), "Тестирование файла: OK");
            EXPECT_EQ(panel, ColorToQColor(clBtnFace));
        } else {
            EXPECT_EQ(form.Panel1->Caption(), "Данный файл не найден. Вероятно он был удалён или перемещён.");
            EXPECT_EQ(panel, QColor(255, 255, 0));
        }
        // Shown as the user sees it, on either colour the caption can be read.
        form.show();
        EXPECT_GT(CaptionContrast(*form.Panel1), 128);
        form.hide();
    }
}

TEST(FrameInformation, FrameOutsideTheListIsAnError)
{
    EnsureApplication();
    TFrames frames;
    frames.Add("a.bmp", 0);
    frames.SelectedFrames = {3};
    TFormProperties form(frames, frames);
    EXPECT_THROW(form.FormShow(), std::out_of_range);
}

using FrameInformationCommand = TFormTest;

TEST_F(FrameInformationCommand, ShowsTheDialogForTheSelection)
{
    TTestForm& f = MakeForm();
    TFrameData data;
    data.File = "/nowhere/x.png";
    f.AppendFrame(std::move(data), TFrameCell{});
    f.SelectedFrames = {0};
    f.ActionProperties->setEnabled(true);
    std::string name;
    desktop_.ModalDialogs.Answer<TFormProperties>([&name](TFormProperties& form) {
        name = form.Edit2->text().toStdString();
        form.Button1->click();
    });
    f.ActionProperties->trigger();
    ASSERT_EQ(desktop_.ModalDialogs.Shown.size(), 1u);
    EXPECT_EQ(desktop_.ModalDialogs.Shown[0].Result, mrOk);
    EXPECT_EQ(name, "x.png");
}
