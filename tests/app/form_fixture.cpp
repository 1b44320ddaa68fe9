#include "form_fixture.h"

#include <QToolBar>

#include <fstream>
#include <sstream>

#include "platform/qt/application.h"
#include "platform/registry.h"

void EnsureApplication()
{
    static TApplication* application = [] {
        static int argc = 1;
        static char name[] = "kelvo_app_tests";
        static char* argv[] = {name, nullptr};
        auto* app = new TApplication(argc, argv);
        app->SetTitle("Kelvo");
        app->setQuitOnLastWindowClosed(false);
        return app;
    }();
    (void)application;
}

void TFormTest::SetUp()
{
    EnsureApplication();
    SetRegistryStorePath(StorePath());
    UseScreen(1024, 768, 24);
    SetMessageBoxes(&boxes_);
    SetFileDialogs(&dialogs_);
}

void TFormTest::TearDown()
{
    form_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetMessageBoxes(nullptr);
    SetFileDialogs(nullptr);
    SetScreen(nullptr);
    SetRegistryStorePath({});
}

void TFormTest::UseScreen(int width, int height, int bits)
{
    screen_ = std::make_unique<TFixedScreen>(width, height, bits);
    SetScreen(screen_.get());
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
