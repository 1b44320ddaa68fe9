// The window size, the default frame size and the recent projects kept between runs in the
// registry key an installer created. The key is only ever opened: without it nothing is read
// or written, and every registry failure is silent.
#include "app/createavi.h"

#include <QScreen>

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/registry.h"

namespace {

const char* const SettingsKey = "Software\\Kelvo v.1.9";

// A value that is not a 4-byte number counts as missing.
std::optional<int> ReadNumber(HKEY key, const char* name)
{
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return int(value);
}

// Recent entries are read into a 261-byte buffer, as the paths were limited to; a longer
// one does not fit and reads as empty.
std::string ReadRecentEntry(HKEY key, const std::string& name)
{
    BYTE buffer[261];
    DWORD type = 0, size = sizeof buffer;
    if (RegQueryValueEx(key, name, nullptr, &type, buffer, &size) != ERROR_SUCCESS || type != REG_SZ)
        return {};
    const void* zero = std::memchr(buffer, 0, size);
    const std::size_t length = zero ? std::size_t(static_cast<const BYTE*>(zero) - buffer) : size;
    return std::string(reinterpret_cast<const char*>(buffer), length);
}

void WriteNumber(HKEY key, const char* name, int value)
{
    const DWORD data = DWORD(value);
    RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

} // namespace

void TAVIForm::LoadSettings()
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, SettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        DefaultFrameWidth = 100;
        DefaultFrameHeight = 100;
        for (int k = 0; k < 5; ++k)
            RecentFiles.emplace_back();
        return;
    }

    const int screenWidth = Screen().Width();
    const int screenHeight = Screen().Height();

    // Sizes below 1 pixel (a window) or 5 pixels (a frame) are no sizes at all.
    int width = 680;
    if (auto w = ReadNumber(key, "Width"); w && *w >= 1)
        width = *w < screenWidth ? *w : screenWidth - 100;
    int height = 400;
    if (auto h = ReadNumber(key, "Height"); h && *h >= 1)
        height = *h < screenHeight ? *h : screenHeight - 100;
    SetOuterSize(width, height);

    DefaultFrameWidth = 100;
    if (auto w = ReadNumber(key, "Frame width"); w && *w >= 5 && *w < screenWidth)
        DefaultFrameWidth = *w;
    DefaultFrameHeight = 100;
    if (auto h = ReadNumber(key, "Frame height"); h && *h >= 5 && *h < screenHeight)
        DefaultFrameHeight = *h;

    for (int k = 1; k <= 5; ++k)
        RecentFiles.push_back(ReadRecentEntry(key, "File" + std::to_string(k)));

    RegCloseKey(key);
}

void TAVIForm::SaveSettings()
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, SettingsKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
        return;

    if ((windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) == 0) {
        WriteNumber(key, "Width", OuterWidth());
        WriteNumber(key, "Height", OuterHeight());
    }

    for (std::size_t k = 0; k < 5; ++k) {
        const std::string entry = k < RecentFiles.size() ? RecentFiles[k] : std::string();
        RegSetValueEx(key, "File" + std::to_string(k + 1), 0, REG_SZ,
                      reinterpret_cast<const BYTE*>(entry.c_str()), DWORD(entry.size() + 1));
    }

    RegCloseKey(key);
}

int TAVIForm::OuterWidth() const { return frameGeometry().width(); }
int TAVIForm::OuterHeight() const { return frameGeometry().height(); }

void TAVIForm::SetOuterSize(int width, int height)
{
    // Whatever size is wanted, the window is never wider than the screen it is on.
    if (const QScreen* screen = this->screen())
        width = std::min(width, screen->availableGeometry().width());
    wantedOuterWidth_ = width;
    wantedOuterHeight_ = height;
    const int frameW = frameGeometry().width() - geometry().width();
    const int frameH = frameGeometry().height() - geometry().height();
    resize(std::max(1, width - frameW), std::max(1, height - frameH));
}
