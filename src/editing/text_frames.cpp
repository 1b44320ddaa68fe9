#include "editing/text_frames.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "app/gif_defaults.h"
#include "gif/gifimage.h"
#include "platform/bitmap.h"
#include "platform/exceptions.h"
#include "platform/memory_guard.h"

std::vector<std::string> SplitCharacters(const std::string& utf8)
{
    std::vector<std::string> characters;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
        if (i + length > utf8.size())
            length = 1;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80) {
                length = 1;
                break;
            }
        characters.push_back(utf8.substr(i, length));
        i += length;
    }
    return characters;
}

namespace {

std::string Join(const std::vector<std::string>& characters, std::size_t from, std::size_t to)
{
    std::string text;
    for (std::size_t i = from; i < to && i < characters.size(); ++i)
        text += characters[i];
    return text;
}

} // namespace

std::vector<std::string> TextLayout(const std::string& text, int count, int direction, int textX, int areaWidth,
                                    const TTextMeasure& measure)
{
    std::vector<std::string> lines;
    if (!IsHorizontalDirection(direction) || count <= 0)
        return lines;
    const std::vector<std::string> characters = SplitCharacters(text);
    const std::size_t length = characters.size();
    lines.reserve(std::size_t(count));

    if (direction == tdLeftToRight) {
        std::string pad;
        for (std::size_t i = 0; i < std::size_t(count); ++i) {
            if (i < length) {
                lines.push_back(Join(characters, length - i - 1, length));
            } else {
                pad += ' ';
                lines.push_back(pad + text);
            }
        }
        return lines;
    }

    // Blanks as wide as the area right of the text's position. A font in which a blank has
    // no width would never fill it; the padding ends there.
    std::vector<std::string> work{" "};
    int width = measure(" ");
    while (width < areaWidth - textX) {
        work.push_back(" ");
        const int wider = measure(Join(work, 0, work.size()));
        if (wider <= width)
            break;
        width = wider;
    }
    for (std::size_t i = 0; i < std::size_t(count); ++i) {
        const std::size_t drop = !work.empty() && work.front() == " " ? 2 : 1;
        work.erase(work.begin(), work.begin() + std::ptrdiff_t(std::min(drop, work.size())));
        work.push_back(i < length ? characters[i] : std::string(" "));
        lines.push_back(Join(work, 0, work.size()));
    }
    return lines;
}

void TextFrameBuilder(const TTextFrameJob& job, TGIFImage& gif)
{
    // Exact colours, 8 bits, LZW: the library's defaults as well as this image's, for every
    // conversion the frames go through.
    GIFOPTIONS exact;
    exact.ColorDither = std::int8_t(dmNearest);
    exact.ColorReduction = std::int8_t(rmNone);
    exact.ReductionBit = 8;
    exact.GIFCompression = std::int8_t(gcLZW);

    int y = job.Direction == tdBottomUp ? job.Height : 0;
    std::unique_ptr<TBitmap> bitmap;
    for (int i = 0; i < job.Count; ++i) {
        // Up to a thousand frames as large as the text area: each asks for its drawing and
        // for what its image keeps until the colour map is optimised, the pixels and the
        // bitmap they were taken from (24-bit, as nothing is reduced).
        ReserveMemory(2 * BitmapMemoryBytes(job.Width, job.Height, 24) + BitmapMemoryBytes(job.Width, job.Height, 8));
        bitmap.reset();
        bitmap = std::make_unique<TBitmap>(job.Width, job.Height, pf24bit);
        TCanvas& canvas = bitmap->Canvas();
        canvas.Brush().Color = job.BackColor;
        canvas.Brush().Style = bsSolid;
        canvas.FillRect(TRect{0, 0, job.Width, job.Height});
        canvas.Font() = job.Font;
        canvas.Brush().Style = bsClear;

        SetGifConversionDefaults(exact);
        gif.DitherMode = dmNearest;
        gif.ColorReduction = rmNone;
        gif.SetReductionBits(8);
        gif.Compression = gcLZW;

        switch (job.Direction) {
        case tdLeftToRight:
        case tdRightToLeft:
            if (std::size_t(i) < job.Lines.size())
                canvas.TextOut(0, job.TextY, job.Lines[std::size_t(i)]);
            break;
        case tdTopDown:
            canvas.TextOut(job.TextX, y, job.Text);
            y += job.LineHeight;
            if (y > job.Height)
                y = 0;
            break;
        case tdBottomUp:
            canvas.TextOut(job.TextX, y, job.Text);
            y -= job.LineHeight;
            if (y < 0)
                y = job.Height;
            break;
        default:
            break;
        }

        const int index = gif.Add(bitmap.get());
        TGIFSubImage* image = gif.Images().GetImage(index);
        image->SetLeft(0);
        image->SetTop(0);
        image->SetWidth(WORD(bitmap->Width()));
        image->SetHeight(WORD(bitmap->Height()));

        if (index == 0) {
            auto* loop = new TGIFAppExtNSLoop(image);
            loop->Loops = 0;
            image->Extensions().Add(loop);
        }
        // One control block per image, whatever the conversion may have put there.
        TGIFGraphicControlExtension* control = nullptr;
        for (int e = 0; e < image->Extensions().GetCount() && !control; ++e)
            control = dynamic_cast<TGIFGraphicControlExtension*>(image->Extensions().GetExtension(e));
        if (!control) {
            control = new TGIFGraphicControlExtension(image);
            image->Extensions().Add(control);
        }
        control->SetDelay(WORD(job.FrameTime / 10));
        control->SetTransparent(false);
    }
    gif.OptimizeColorMap();
}

std::string EnsureWorkFolder(const std::string& programFolder)
{
    const std::string folder = programFolder + "Work";
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        std::filesystem::create_directory(folder, ec);
        if (ec || !std::filesystem::is_directory(folder, ec))
            throw Exception("Невозможно создать " + programFolder + " папку Work.");
    }
    return folder + "/";
}

namespace {

// Room for the counter in front and ".gif" behind within the 255 bytes a name may have.
constexpr std::size_t MaxNameBytes = 200;

std::string FileNameOfText(const std::string& text)
{
    std::string name;
    for (const std::string& c : SplitCharacters(text)) {
        const auto byte = static_cast<unsigned char>(c[0]);
        const bool bad = c.size() == 1 && (c[0] == '/' || c[0] == '\\' || byte < 0x20 || byte == 0x7F);
        if (name.size() + c.size() > MaxNameBytes)
            break;
        name += bad ? std::string("_") : c;
    }
    // A name with ".." in it could walk out of the folder on systems that read it as a path.
    for (std::size_t i = 0; i + 1 < name.size(); ++i)
        if (name[i] == '.' && name[i + 1] == '.')
            name[i] = name[i + 1] = '_';
    return name;
}

} // namespace

std::string TextFramesGifPath(const std::string& workFolder, const std::string& text)
{
    const std::string base = FileNameOfText(text);
    std::string name = base;
    std::error_code ec;
    for (long long k = 1; std::filesystem::exists(workFolder + name + ".gif", ec); ++k)
        name = std::to_string(k) + base;
    return workFolder + name + ".gif";
}
