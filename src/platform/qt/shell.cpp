#include "platform/qt/shell.h"

#include <QDesktopServices>
#include <QUrl>

TShell::~TShell() = default;

namespace {

class TQtShell : public TShell {
public:
    bool Open(const std::string& verb, const std::string& target) override
    {
        if (!verb.empty() && verb != "open")
            return false;
        const QUrl url = QUrl::fromUserInput(QString::fromStdString(target));
        return url.isValid() && QDesktopServices::openUrl(url);
    }
};

TQtShell qtShell;
TShell* shell = &qtShell;

} // namespace

TShell& Shell() { return *shell; }
void SetShell(TShell* s) { shell = s ? s : &qtShell; }

std::intptr_t ShellExecuteA(void*, const char* verb, const char* file, const char*, const char*, int)
{
    if (!file || !*file)
        return SE_ERR_NOASSOC;
    return Shell().Open(verb ? verb : "", file) ? 42 : SE_ERR_NOASSOC;
}
