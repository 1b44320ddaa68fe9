#pragma once
// Opening a document or a link with the desktop's own handler (web pages, mailto: links).
// Nothing in this header needs Qt.
#include <cstdint>
#include <string>

constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWDEFAULT = 10;
// Results at or below this are failures, as the platform's shell reports them.
constexpr std::intptr_t SE_ERR_NOASSOC = 31;

class TShell {
public:
    virtual ~TShell();
    // verb "open" (or empty) hands target to the desktop; any other verb fails. True when the
    // desktop took it; whether a browser really came up is not ours to know.
    virtual bool Open(const std::string& verb, const std::string& target) = 0;
};

TShell& Shell();
void SetShell(TShell* shell); // nullptr restores the desktop's

// What the program calls: above 32 on success, SE_ERR_NOASSOC otherwise. The owner window,
// parameters, folder and show mode have no meaning here and are ignored.
std::intptr_t ShellExecuteA(void* owner, const char* verb, const char* file, const char* parameters,
                            const char* directory, int showCommand);
