#include "form_fixture.h"

#include <QCoreApplication>
#include <QEvent>
#include <QToolBar>

#include <fstream>
#include <sstream>

#include "app/start_platform.h"
#include "platform/registry.h"
#include "support/qt/offscreen_screen.h"

void TFormTest::SetUp()
{
    EnsureApplication();
    // With the fixed screen in place, so that every test program starts on the same depth.
    StartPlatform();
    SetRegistryStorePath(StorePath());
    qtScreenBefore_ = OffscreenScreenSize();
    UseScreen(desktop_.Screen.Width(), desktop_.Screen.Height(), desktop_.Screen.BitsPerPixel());
}

void TFormTest::TearDown()
{
    form_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetRegistryStorePath({});
    SetOffscreenScreenSize(qtScreenBefore_);
}

void TFormTest::UseScreen(int width, int height, int bits)
{
    desktop_.Screen.Set(width, height, bits);
    // What the window reads from Qt (its screen's work area) is the same screen.
    SetOffscreenScreenSize(QSize(width, height));
}

void TFormTest::WriteKey(const std::vector<std::string>& valueLines)
{
    std::filesystem::create_directories(StorePath().parent_path());
    std::ofstream out(StorePath());
    out << "[HKEY_CURRENT_USER\\Software\\Kelvo v.1.9]\n";
    for (const auto& line : valueLines)
        out << line << "\n";
    out << "\n";
}

std::string TFormTest::StoreText() const
{
    std::ifstream in(StorePath());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TTestForm& TFormTest::MakeForm(std::vector<std::string> arguments)
{
    form_ = std::make_unique<TTestForm>(std::move(arguments));
    return *form_;
}

bool TFormTest::CloseForm() { return form_->close(); }

void TFormTest::PretendProjectOpened() { form_->ToolBar1->show(); }
