// The program's start-up as every app fixture gets it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "app/start_platform.h"
#include "form_fixture.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"
#include "platform/colors.h"
#include "platform/graphic.h"
#include "platform/qt/message_boxes.h"
#include "support/qt/application.h"

namespace {

TEST_F(TFormTest, StartPlatformRegistersThePictureFormatsAndDrawsText)
{
    StartPlatform(); // again: nothing changes
    for (const char* extension : {"gif", "png", "GIF", "PNG"}) {
        const TFileFormatEntry* format = TPicture::FindFileFormat(extension);
        ASSERT_TRUE(format) << extension;
        EXPECT_TRUE(format->Factory()) << extension;
    }
    EXPECT_EQ(TPicture::FindFileFormat("png")->Factory()->ClassName(), "TPNGObject");
    EXPECT_EQ(TPicture::FindFileFormat("gif")->Factory()->ClassName(), "TGIFImage");

    TBitmap bitmap(60, 20, pf24bit);
    bitmap.Canvas().Font().Color = clBlack;
    bitmap.Canvas().TextOut(2, 2, "Kelvo");
    int dark = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            dark += bitmap.GetPixel(x, y) != clWhite;
    EXPECT_GT(dark, 10) << "the text renderer is Qt's";
}

// Qt's own texts speak the program's language whatever the system's locale is.
TEST(StartPlatform, QtsOwnButtonsAreRussian)
{
    EnsureApplication();
    StartPlatform();
    QStringList buttons;
    QTimer::singleShot(0, [&buttons] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (const auto button : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            buttons << (box->button(button) ? box->button(button)->text().remove('&') : "(none)");
        box->reject();
    });
    EXPECT_EQ(MessageBox("Сохранить изменения в проекте?", "Информация", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(buttons, (QStringList{"Да", "Нет", "Отмена"}));
}

} // namespace
