// The status bar's totals as text.
#include <gtest/gtest.h>

#include <QLocale>

#include "app/status_text.h"
#include "form_fixture.h"
#include "platform/qt/controls.h"

namespace {

TEST(StatusText, TotalTimeByProjectType)
{
    struct TRow {
        int type;
        int aviTime;
        std::vector<WORD> times;
        std::int64_t total;
    } const rows[] = {
        {0, 300, {1, 2, 3}, 900},                  // AVI: the frame time for every frame
        {1, 300, {500, 500, 500}, 1500},           // GIF: each frame's own
        {2, 300, {10, 20}, 30},                    // any other kind counts like GIF
        {0, 300, {}, 0},
        {0, 2'000'000'000, {0, 0}, 4'000'000'000}, // past 32 bits
        {1, 0, std::vector<WORD>(70000, 65535), 70000ll * 65535},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(TotalTime(row.type, row.aviTime, row.times), row.total) << row.type << " " << row.aviTime;
}

TEST(StatusText, Texts)
{
    struct TRow {
        std::int64_t total;
        const char* separator;
        const char* text;
    } const rows[] = {
        {900, ",", "Общее время: 900 мсек"},
        {0, ",", "Общее время: 0 мсек"},
        {999, ".", "Общее время: 999 мсек"},
        {1000, ",", "Общее время: 1 сек"},
        {1500, ",", "Общее время: 1,5 сек"},
        {1500, ".", "Общее время: 1.5 сек"},
        {1234, ",", "Общее время: 1,234 сек"},
        {4'000'000'000, ",", "Общее время: 4000000 сек"},
        {100'000'000'000'000'000, ".", "Общее время: 100000000000000 сек"},
        {1'000'000'000'000'000'000, ".", "Общее время: 1E15 сек"},
    };
    for (const TRow& row : rows)
        EXPECT_EQ(TotalTimeText(row.total, row.separator), row.text);
    EXPECT_EQ(FrameCountText(0), "Всего кадров: 0");
    EXPECT_EQ(FrameCountText(12), "Всего кадров: 12");
}

// The window writes panels 3 and 4 with the decimal separator of the user's locale.
class StatusTotals : public TFormTest {
protected:
    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
        TFormTest::TearDown();
    }
};

TEST_F(StatusTotals, PanelsUseTheLocalesSeparator)
{
    TAVIForm& f = MakeForm();
    f.ProjectType = 1;
    for (int i = 0; i < 3; ++i) {
        TFrameData frame;
        frame.Time = 500;
        f.AppendFrameWithCell(std::move(frame));
    }
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    f.UpdateStatusTotals();
    EXPECT_EQ(f.StatusBar1->PanelText(3), "Общее время: 1,5 сек");
    EXPECT_EQ(f.StatusBar1->PanelText(4), "Всего кадров: 3");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    f.UpdateStatusTotals();
    EXPECT_EQ(f.StatusBar1->PanelText(3), "Общее время: 1.5 сек");

    f.ClearAllFrames();
    f.UpdateStatusTotals();
    EXPECT_EQ(f.StatusBar1->PanelText(3), "Общее время: 0 мсек");
    EXPECT_EQ(f.StatusBar1->PanelText(4), "Всего кадров: 0");
}

} // namespace
