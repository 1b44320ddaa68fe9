#include "output/save_dialog_names.h"

#include "platform/text_case.h"

std::string FileNamePart(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FileNameExtension(const std::string& path)
{
    const std::string name = FileNamePart(path);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

TFrameFileFormat FrameFileFormat(const std::string& path)
{
    const std::string extension = AnsiLowerCase(FileNameExtension(path));
    if (extension == ".png")
        return TFrameFileFormat::Png;
    if (extension == ".gif")
        return TFrameFileFormat::Gif;
    if (extension == ".jpg" || extension == ".jpeg")
        return TFrameFileFormat::Jpeg;
    if (extension == ".bmp")
        return TFrameFileFormat::Bmp;
    return TFrameFileFormat::None;
}

std::string FrameDialogExtension(int filterIndex)
{
    switch (filterIndex) {
    case 2: return ".gif";
    case 3: return ".jpg";
    case 4: return ".png";
    default: return ".bmp";
    }
}

std::string OutputDialogExtension(int filterIndex) { return filterIndex == 1 ? ".avi" : ".gif"; }

std::string SwitchFileExtension(const std::string& text, const std::string& extension)
{
    if (text.empty())
        return text;
    const std::size_t nameStart = text.size() - FileNamePart(text).size();
    const std::size_t dot = text.find_last_of('.');
    const std::string stem = dot != std::string::npos && dot >= nameStart ? text.substr(0, dot) : text;
    return stem + extension;
}
