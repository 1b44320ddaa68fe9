#include "app/recent_list.h"

#include "platform/text_case.h"

void InsertRecentFile(std::vector<std::string>& recent, const std::string& name)
{
    if (recent.size() > std::size_t(RecentFilesShown))
        recent.erase(recent.begin() + RecentFilesShown);
    recent.insert(recent.begin(), name);
    // Positions 2 to 5 are looked at once each; the entry that moves up into a position just
    // emptied is not looked at again.
    for (std::size_t i = 1; i <= std::size_t(RecentFilesShown - 1) && i < recent.size(); ++i) {
        if (AnsiSameText(recent[i], name)) {
            recent.erase(recent.begin() + std::ptrdiff_t(i));
            recent.emplace_back();
        }
    }
}

std::vector<std::string> RecentMenuCaptions(const std::vector<std::string>& recent)
{
    std::vector<std::string> captions;
    for (std::size_t i = 0; i < recent.size() && i < std::size_t(RecentFilesShown); ++i) {
        if (recent[i].empty())
            break;
        std::string caption(1, '&');
        caption += std::to_string(i + 1);
        caption += ' ';
        for (char c : recent[i]) {
            if (c == '&')
                caption += '&';
            caption += c;
        }
        captions.push_back(std::move(caption));
    }
    return captions;
}

std::optional<TProjectTypeDisplay> ProjectTypeDisplay(int projectType)
{
    switch (projectType) {
    case 0: return TProjectTypeDisplay{"Запустить как AVI", "Создать AVI", true, "AVI", 1, "avi"};
    case 1: return TProjectTypeDisplay{"Запустить как GIF", "Создать анимированный GIF", false, "GIF", 2, "gif"};
    default: return std::nullopt;
    }
}
