#include "optimize_test_util.h"

#include <algorithm>
#include <random>

#include "gif_test_util.h"

namespace optimizetest {

std::uint32_t Rgb(const TGIFColor& c) { return std::uint32_t(c.Red) | (c.Green << 8) | (c.Blue << 16); }

TGIFGraphicControlExtension* AddGce(TGIFSubImage* frame, WORD delay, TDisposalMethod disposal,
                                    int transparentIndex)
{
    auto* gce = new TGIFGraphicControlExtension(frame);
    frame->Extensions().Add(gce);
    gce->SetDelay(delay);
    gce->SetDisposal(disposal);
    if (transparentIndex >= 0) {
        gce->SetTransparentColorIndex(BYTE(transparentIndex));
        gce->SetTransparent(true);
    }
    return gce;
}

// What the screen shows while each frame is up, composed straight from the model.
std::vector<std::vector<std::uint32_t>> Compose(TGIFImage& image)
{
    const int w = image.GetWidth(), h = image.GetHeight();
    std::vector<std::uint32_t> canvas(std::size_t(w * h), Background);
    std::vector<std::vector<std::uint32_t>> shown;
    for (int i = 0; i < image.Images().GetCount(); ++i) {
        TGIFSubImage* frame = image.Images().GetImage(i);
        const std::vector<std::uint32_t> before = canvas;
        TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
        const int transparent = frame->Transparent() && gce ? gce->GetTransparentColorIndex() : -1;
        TGIFColorMap& map = frame->GetActiveColorMap();
        if (!frame->GetEmpty())
            for (int y = 0; y < frame->Height(); ++y)
                for (int x = 0; x < frame->Width(); ++x) {
                    const int sx = frame->Left() + x, sy = frame->Top() + y;
                    const int index = frame->Data()[y * frame->Width() + x];
                    if (sx >= w || sy >= h || index == transparent)
                        continue;
                    canvas[std::size_t(sy * w + sx)] = index < map.Count() ? Rgb(map.Entry(index)) : 0xEE000000u;
                }
        shown.push_back(canvas);
        const TDisposalMethod disposal = gce ? gce->GetDisposal() : dmNone;
        if (disposal == dmBackground) {
            for (int y = frame->Top(); y < std::min(h, frame->Top() + frame->Height()); ++y)
                for (int x = frame->Left(); x < std::min(w, frame->Left() + frame->Width()); ++x)
                    canvas[std::size_t(y * w + x)] = Background;
        } else if (disposal == dmPrevious) {
            canvas = before;
        }
    }
    return shown;
}

std::vector<int> Delays(TGIFImage& image)
{
    std::vector<int> delays;
    for (int i = 0; i < image.Images().GetCount(); ++i) {
        TGIFGraphicControlExtension* gce = image.Images().GetImage(i)->GraphicControlExtension();
        delays.push_back(gce ? gce->GetDelay() : 0);
    }
    return delays;
}

// The picture on screen at every moment, as (end time, picture) steps.
std::vector<std::pair<int, std::vector<std::uint32_t>>> Timeline(TGIFImage& image)
{
    const auto shown = Compose(image);
    const auto delays = Delays(image);
    std::vector<std::pair<int, std::vector<std::uint32_t>>> steps;
    int t = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        t += delays[i];
        steps.emplace_back(t, shown[i]);
    }
    return steps;
}

std::vector<std::uint32_t> At(const std::vector<std::pair<int, std::vector<std::uint32_t>>>& steps, int t)
{
    for (const auto& [end, picture] : steps)
        if (t < end)
            return picture;
    return {};
}

// Random frames with transparency, offsets, repeats of the frame before and every disposal.
void BuildAnimation(TGIFImage& image, const TAnimationSpec& spec)
{
    std::mt19937 random(spec.Seed);
    const int w = 16, h = 12;
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    std::vector<std::uint32_t> universe;
    for (int i = 0; i < 120; ++i)
        universe.push_back(std::uint32_t(random() & 0xFFFFFF));
    if (spec.GlobalFrames)
        for (int i = 0; i < 60; ++i)
            image.GetColorMap().Add(TColor(universe[std::size_t(i)]));
    image.Header().SetWidth(WORD(w));
    image.Header().SetHeight(WORD(h));
    std::vector<std::uint32_t> previous(std::size_t(w * h), Background);
    const int frames = 6;
    for (int f = 0; f < frames; ++f) {
        const bool global = spec.GlobalFrames && f % 3 == 1;
        if (f % 3 == 2 && !spec.SharedColours) {
            // A frame that repeats its predecessor exactly: merging leaves nothing of it.
            TGIFSubImage* last = image.Images().GetImage(f - 1);
            TGIFSubImage* frame = giftest::AddFrame(image, last->Width(), last->Height(),
                std::vector<BYTE>(last->Data(), last->Data() + last->DataSize()), last->Left(), last->Top());
            if (last->ColorMap().Count() > 0)
                frame->ColorMap().Assign(last->ColorMap());
            const TDisposalMethod disposals[] = {dmNone, dmNoDisposal, dmBackground, dmPrevious};
            AddGce(frame, WORD(5 + pick(20)), disposals[pick(4)],
                   last->Transparent() ? last->GraphicControlExtension()->GetTransparentColorIndex() : -1);
            previous = Compose(image).back();
            continue;
        }
        const int fw = f == 0 ? w : 4 + pick(w - 4), fh = f == 0 ? h : 3 + pick(h - 3);
        const int left = pick(w - fw + 1), top = pick(h - fh + 1);
        // Now and then a frame that shows nothing at all.
        const bool blank = f == 4 && spec.Seed % 3 == 0;
        const bool transparent = blank || (f > 0 && pick(3) != 0);
        std::vector<std::uint32_t> own;
        for (int i = 0; i < 90; ++i)
            own.push_back(spec.SharedColours || global ? universe[std::size_t(pick(global ? 60 : 120))]
                                                       : std::uint32_t(random() & 0xFFFFFF));
        TGIFSubImage* frame = giftest::AddFrame(image, fw, fh, {}, left, top);
        TGIFColorMap& map = global ? static_cast<TGIFColorMap&>(image.GetColorMap()) : frame->ColorMap();
        int transparentIndex = -1;
        if (transparent && !global) {
            transparentIndex = map.Add(TColor(0x123456)); // a colour no pixel shows
        } else if (transparent) {
            transparentIndex = 59; // an entry of the global table
        }
        std::vector<std::uint32_t> mine(std::size_t(w * h), Background);
        for (int y = 0; y < fh; ++y)
            for (int x = 0; x < fw; ++x) {
                const int sx = left + x, sy = top + y;
                const int choice = pick(10);
                std::uint32_t colour = own[std::size_t(pick(int(own.size())))];
                if (choice < 5 && previous[std::size_t(sy * w + sx)] != Background)
                    colour = previous[std::size_t(sy * w + sx)];
                int index;
                if (transparent && (choice == 9 || blank)) {
                    index = transparentIndex;
                } else if (global) {
                    index = map.IndexOf(TColor(colour));
                    if (index < 0 || index == transparentIndex)
                        index = map.IndexOf(TColor(own[0]));
                } else {
                    index = map.AddUnique(TColor(colour));
                }
                frame->Data()[y * fw + x] = BYTE(index);
            }
        const TDisposalMethod disposals[] = {dmNone, dmNoDisposal, dmBackground, dmPrevious};
        AddGce(frame, WORD(5 + pick(20)), disposals[pick(4)], transparentIndex);
        const auto shown = Compose(image);
        previous = shown.back();
    }
}

// Colours with a component sum of at least 350, all different.
TColor Filler(int i) { return RGB(100 + i % 150, 100 + (i / 150) * 10, 150); }

// A frame with its own table of `colours`, pixel k showing colour pixels[k].
TGIFSubImage* LocalFrame(TGIFImage& image, int w, int h, const std::vector<TColor>& colours,
                         const std::vector<int>& pixels, int left, int top)
{
    TGIFSubImage* frame = giftest::AddFrame(image, w, h, {}, left, top);
    for (const TColor c : colours)
        frame->ColorMap().Add(c);
    for (std::size_t k = 0; k < pixels.size(); ++k)
        frame->Data()[k] = BYTE(pixels[k]);
    return frame;
}

std::vector<int> Iota(int n, int repeat)
{
    std::vector<int> v;
    for (int i = 0; i < n; ++i)
        for (int r = 0; r < repeat; ++r)
            v.push_back(i);
    return v;
}

} // namespace optimizetest
