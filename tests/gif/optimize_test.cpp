#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "gif/gifimage.h"
#include "gif_test_util.h"
#include "support/error_of.h"

namespace {

constexpr std::uint32_t Background = 0xFF000000u;

std::uint32_t Rgb(const TGIFColor& c) { return std::uint32_t(c.Red) | (c.Green << 8) | (c.Blue << 16); }

TGIFGraphicControlExtension* AddGce(TGIFSubImage* frame, WORD delay, TDisposalMethod disposal = dmNone,
                                    int transparentIndex = -1)
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

struct TAnimationSpec {
    unsigned Seed;
    bool SharedColours;  // every colour from one small set, so that one table can hold them all
    bool GlobalFrames;   // some frames index the global table
};

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

} // namespace

TEST(OptimizeColorMap, CompositionIsUnchanged)
{
    for (const TAnimationSpec spec : {TAnimationSpec{1, true, false}, TAnimationSpec{2, true, true},
                                      TAnimationSpec{3, true, true}, TAnimationSpec{4, true, false}}) {
        SCOPED_TRACE(spec.Seed);
        TGIFImage image;
        BuildAnimation(image, spec);
        const auto before = Compose(image);
        image.OptimizeColorMap();
        EXPECT_EQ(Compose(image), before);
        EXPECT_TRUE(image.GetColorMap().Optimized());
        EXPECT_LE(image.GetColorMap().Count(), 256);
        for (int i = 0; i < image.Images().GetCount(); ++i)
            EXPECT_EQ(image.Images().GetImage(i)->ColorMap().Count(), 0);
    }
}

TEST(Optimize, CropAndMergeKeepWhatIsShownAndForHowLong)
{
    for (unsigned seed = 10; seed < 22; ++seed) {
        SCOPED_TRACE(seed);
        TGIFImage image;
        BuildAnimation(image, TAnimationSpec{seed, false, seed % 2 == 0});
        const auto before = Timeline(image);
        image.Optimize(TGIFOptimizeOptions{ooCrop, ooMerge}, rmNone, dmNearest, 8);
        const auto after = Timeline(image);
        ASSERT_EQ(after.back().first, before.back().first);
        for (int t = 0; t < before.back().first; ++t)
            ASSERT_EQ(At(after, t), At(before, t)) << "at " << t;
    }
}

namespace {

// Colours with a component sum of at least 350, all different.
TColor Filler(int i) { return RGB(100 + i % 150, 100 + (i / 150) * 10, 150); }

// A frame with its own table of `colours`, pixel k showing colour pixels[k].
TGIFSubImage* LocalFrame(TGIFImage& image, int w, int h, const std::vector<TColor>& colours,
                         const std::vector<int>& pixels, int left = 0, int top = 0)
{
    TGIFSubImage* frame = giftest::AddFrame(image, w, h, {}, left, top);
    for (const TColor c : colours)
        frame->ColorMap().Add(c);
    for (std::size_t k = 0; k < pixels.size(); ++k)
        frame->Data()[k] = BYTE(pixels[k]);
    return frame;
}

std::vector<int> Iota(int n, int repeat = 1)
{
    std::vector<int> v;
    for (int i = 0; i < n; ++i)
        for (int r = 0; r < repeat; ++r)
            v.push_back(i);
    return v;
}

} // namespace

TEST(OptimizeColorMap, SharedColoursOfTwoTablesAreStoredOnce)
{
    TGIFImage image;
    std::vector<TColor> a, b;
    for (int i = 0; i < 200; ++i)
        a.push_back(Filler(i));
    for (int i = 50; i < 250; ++i)
        b.push_back(Filler(i));
    LocalFrame(image, 20, 10, a, Iota(200));
    LocalFrame(image, 20, 10, b, Iota(200));
    const auto before = Compose(image);
    image.OptimizeColorMap();
    EXPECT_EQ(image.GetColorMap().Count(), 250);
    EXPECT_EQ(image.Images().GetImage(0)->ColorMap().Count(), 0);
    EXPECT_EQ(image.Images().GetImage(1)->ColorMap().Count(), 0);
    EXPECT_EQ(Compose(image), before);
    // The shared colours were used twice, so they lead the table.
    std::set<std::uint32_t> leading;
    for (int i = 0; i < 150; ++i)
        leading.insert(Rgb(image.GetColorMap().Entry(i)));
    for (int i = 50; i < 200; ++i)
        EXPECT_TRUE(leading.count(std::uint32_t(Filler(i)))) << i;
}

TEST(OptimizeColorMap, OverflowKeeps255ColoursAndATransparentBlack)
{
    TGIFImage image;
    std::vector<TColor> a, b;
    for (int i = 0; i < 200; ++i)
        a.push_back(Filler(i));
    for (int i = 200; i < 300; ++i)
        b.push_back(Filler(i));
    b.push_back(RGB(1, 2, 3)); // the transparent entry
    LocalFrame(image, 20, 20, a, Iota(200, 2));
    std::vector<int> pixels = Iota(100);
    pixels.push_back(100);
    TGIFSubImage* second = LocalFrame(image, 101, 1, b, pixels);
    AddGce(second, 10, dmNone, 100);
    TGIFSubImage* third = LocalFrame(image, 2, 1, {RGB(9, 9, 9), RGB(8, 8, 8)}, {0, 1});
    AddGce(third, 10, dmNone, 1);
    image.OptimizeColorMap();
    TGIFGlobalColorMap& global = image.GetColorMap();
    ASSERT_EQ(global.Count(), 256);
    EXPECT_EQ(global.Entry(255), (TGIFColor{0, 0, 0}));
    for (TGIFSubImage* frame : {second, third}) {
        ASSERT_TRUE(frame->Transparent());
        EXPECT_EQ(frame->GraphicControlExtension()->GetTransparentColorIndex(), 255);
    }
    EXPECT_EQ(second->Data()[100], 255);
    EXPECT_EQ(third->Data()[1], 255);
    // The colours used twice all survive.
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(Rgb(global.Entry(image.Images().GetImage(0)->Data()[2 * i])), std::uint32_t(Filler(i)));
}

TEST(OptimizeColorMap, DroppedColourGoesToTheSmallestSignedComponentSum)
{
    TGIFImage image;
    std::vector<TColor> a{RGB(250, 5, 5), RGB(0, 255, 0)};
    for (int i = 0; i < 200; ++i)
        a.push_back(Filler(i));
    std::vector<TColor> b;
    for (int i = 200; i < 254; ++i)
        b.push_back(Filler(i));
    b.push_back(RGB(255, 0, 0));
    LocalFrame(image, 202, 2, a, Iota(202, 2));
    std::vector<int> pixels = Iota(54, 2);
    pixels.push_back(54);
    TGIFSubImage* second = LocalFrame(image, 109, 1, b, pixels);
    image.OptimizeColorMap();
    ASSERT_EQ(image.GetColorMap().Count(), 256);
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(second->Data()[108])), std::uint32_t(RGB(0, 255, 0)));
}

TEST(OptimizeColorMap, UnusedTransparentIndexLosesTransparency)
{
    // Index 2 is transparent but no pixel holds it; after the remap it would name green.
    TGIFImage image;
    TGIFSubImage* frame = LocalFrame(image, 6, 1, {clRed, clLime, clBlue, clWhite}, {3, 3, 3, 0, 1, 1});
    AddGce(frame, 10, dmNone, 2);
    const auto before = Compose(image);
    image.OptimizeColorMap();
    EXPECT_FALSE(frame->Transparent());
    EXPECT_FALSE(frame->GraphicControlExtension()->GetTransparent());
    EXPECT_EQ(Compose(image), before);
    EXPECT_EQ(image.GetColorMap().Count(), 3);
}

TEST(OptimizeColorMap, OnlyFrameMovesItsColoursMostUsedFirst)
{
    TGIFImage image;
    TGIFSubImage* frame = LocalFrame(image, 6, 1, {clRed, clLime, clBlue, clWhite}, {1, 2, 1, 0, 1, 2});
    image.OptimizeColorMap();
    ASSERT_EQ(image.GetColorMap().Count(), 3);
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(0)), std::uint32_t(clLime));
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(1)), std::uint32_t(clBlue));
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(2)), std::uint32_t(clRed));
    EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + 6), (std::vector<BYTE>{0, 1, 0, 2, 0, 1}));
    EXPECT_EQ(frame->ColorMap().Count(), 0);
}

TEST(ColorMapOptimize, OrdersByUseAndCutsUnusedColours)
{
    TGIFImage image;
    // Counts: red 1, lime 3, blue 1, white 0, black 3; ties keep their order.
    TGIFSubImage* frame =
        LocalFrame(image, 8, 1, {clRed, clLime, clBlue, clWhite, clBlack}, {0, 1, 1, 1, 2, 4, 4, 4});
    AddGce(frame, 0, dmNone, 2);
    EXPECT_TRUE(frame->ColorMap().Optimize());
    TGIFColorMap& map = frame->ColorMap();
    ASSERT_EQ(map.Count(), 4);
    EXPECT_TRUE(map.Optimized());
    const TColor order[] = {clLime, clBlack, clRed, clBlue};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Rgb(map.Entry(i)), std::uint32_t(order[i])) << i;
    EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + 8), (std::vector<BYTE>{2, 0, 0, 0, 3, 1, 1, 1}));
    EXPECT_EQ(frame->GraphicControlExtension()->GetTransparentColorIndex(), 3);

    TGIFSubImage* single = LocalFrame(image, 2, 1, {clRed}, {0, 0});
    EXPECT_FALSE(single->ColorMap().Optimize());
    EXPECT_FALSE(single->ColorMap().Optimized());
}

TEST(ColorMapOptimize, GlobalTableKeepsTheBackgroundColour)
{
    TGIFImage image;
    for (const TColor c : {clRed, clLime, clBlue})
        image.GetColorMap().Add(c);
    image.SetBackgroundColorIndex(2); // blue, used by no pixel
    giftest::AddFrame(image, 3, 1, {1, 1, 0});
    EXPECT_TRUE(image.GetColorMap().Optimize());
    ASSERT_EQ(image.GetColorMap().Count(), 3);
    EXPECT_EQ(image.GetBackgroundColor(), clBlue);
    EXPECT_EQ(Rgb(image.GetColorMap().Entry(0)), std::uint32_t(clLime));
    TGIFImage empty;
    empty.GetColorMap().Add(clRed);
    empty.GetColorMap().Add(clLime);
    EXPECT_FALSE(empty.GetColorMap().Optimize());
}

TEST(OptimizeCrop, CutsTransparentBorders)
{
    TGIFImage image;
    image.Header().SetWidth(20);
    image.Header().SetHeight(20);
    std::vector<int> pixels(10 * 8, 2);
    pixels[2 * 10 + 3] = 0;
    pixels[4 * 10 + 5] = 1;
    TGIFSubImage* frame = LocalFrame(image, 10, 8, {clRed, clLime, clBlack}, pixels, 2, 3);
    AddGce(frame, 10, dmNone, 2);
    const auto before = Compose(image);
    image.Optimize(TGIFOptimizeOptions{ooCrop}, rmNone, dmNearest, 8);
    EXPECT_EQ(frame->GetBoundsRect(), Bounds(5, 5, 3, 3));
    EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + frame->DataSize()),
              (std::vector<BYTE>{0, 2, 2, 2, 2, 2, 2, 2, 1}));
    EXPECT_EQ(Compose(image), before);
}

TEST(OptimizeCrop, BlankFramesGoAndTheirTimeStays)
{
    struct TCase {
        const char* Name;
        bool FirstTransparent;
        int BlankAt;       // index of the blank frame among three
        WORD FirstDelay;
    } cases[] = {
        {"blank after an opaque frame", false, 1, 10},
        {"blank after a transparent frame", true, 1, 10},
        {"blank at the start", false, 0, 10},
        {"sum saturates", false, 1, 65000},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TGIFImage image;
        for (int i = 0; i < 3; ++i) {
            const bool blank = i == c.BlankAt;
            TGIFSubImage* frame = LocalFrame(image, 2, 2, {clRed, clBlack}, blank ? std::vector<int>{1, 1, 1, 1}
                                                                                : std::vector<int>{0, 0, 0, 0});
            if (i == 0)
                frame->Extensions().Add(new TGIFAppExtNSLoop(frame));
            AddGce(frame, i == 0 ? c.FirstDelay : WORD(1000), dmNone,
                   blank || (i == 0 && c.FirstTransparent) ? 1 : -1);
        }
        image.Optimize(TGIFOptimizeOptions{ooCrop}, rmNone, dmNearest, 8);
        ASSERT_EQ(image.Images().GetCount(), 2);
        const auto delays = Delays(image);
        // The blank frame's 1000 goes to the frame before it (or, at the start, to the new
        // first frame), saturating rather than wrapping.
        EXPECT_EQ(delays[0], std::min(65535, c.FirstDelay + 1000));
        EXPECT_EQ(delays[1], 1000);
        // The loop setting stays on the first frame.
        TGIFExtensionList& first = image.Images().GetImage(0)->Extensions();
        int loops = 0;
        for (int e = 0; e < first.GetCount(); ++e)
            loops += dynamic_cast<TGIFAppExtNSLoop*>(first.GetExtension(e)) != nullptr;
        EXPECT_EQ(loops, 1);
        EXPECT_EQ(first.GetExtension(0)->SubImage(), image.Images().GetImage(0));
    }

    // The only frame of an image is never deleted.
    TGIFImage single;
    AddGce(LocalFrame(single, 2, 1, {clRed, clBlack}, {1, 1}), 10, dmNone, 1);
    single.Optimize(TGIFOptimizeOptions{ooCrop}, rmNone, dmNearest, 8);
    ASSERT_EQ(single.Images().GetCount(), 1);
    EXPECT_FALSE(single.Images().GetImage(0)->GetEmpty());
}

TEST(OptimizeMerge, RepeatedPixelsBecomeTransparent)
{
    TGIFImage image;
    LocalFrame(image, 3, 2, {clRed, clLime, clBlue}, {0, 1, 2, 2, 1, 0});
    TGIFSubImage* second = LocalFrame(image, 3, 2, {clRed, clLime, clBlue}, {0, 1, 2, 2, 1, 0});
    const auto before = Compose(image);
    image.Optimize(TGIFOptimizeOptions{ooMerge}, rmNone, dmNearest, 8);
    ASSERT_EQ(second->ColorMap().Count(), 4);
    EXPECT_EQ(second->ColorMap().Entry(3), (TGIFColor{0, 0, 0}));
    ASSERT_TRUE(second->Transparent());
    EXPECT_EQ(second->GraphicControlExtension()->GetTransparentColorIndex(), 3);
    EXPECT_EQ(std::vector<BYTE>(second->Data(), second->Data() + 6), std::vector<BYTE>(6, 3));
    EXPECT_EQ(Compose(image), before);

    // Nothing to merge with a frame that is cleared after it is shown.
    TGIFImage cleared;
    AddGce(LocalFrame(cleared, 2, 1, {clRed, clLime}, {0, 1}), 10, dmBackground);
    TGIFSubImage* after = LocalFrame(cleared, 2, 1, {clRed, clLime}, {0, 1});
    cleared.Optimize(TGIFOptimizeOptions{ooMerge}, rmNone, dmNearest, 8);
    EXPECT_FALSE(after->Transparent());
    EXPECT_EQ(after->ColorMap().Count(), 2);
}

TEST(OptimizeMerge, GlobalTableBorrowsOnlyAnUnusedTransparentIndex)
{
    for (const bool indexInUse : {false, true}) {
        SCOPED_TRACE(indexInUse);
        TGIFImage image;
        for (const TColor c : {clRed, clLime, clBlue, clBlack})
            image.GetColorMap().Add(c);
        giftest::AddFrame(image, 3, 1, {0, 1, 2});
        // A transparent frame elsewhere whose transparent index is 3 (black).
        AddGce(giftest::AddFrame(image, 1, 1, {3}, 5, 5), 10, dmNone, 3);
        TGIFSubImage* frame = giftest::AddFrame(image, 3, 1, {0, BYTE(indexInUse ? 3 : 1), 2});
        // Merge this frame with the first one directly.
        const auto before = Compose(image);
        EXPECT_TRUE(frame->Merge(image.Images().GetImage(0)));
        ASSERT_TRUE(frame->Transparent());
        const int transparent = frame->GraphicControlExtension()->GetTransparentColorIndex();
        if (indexInUse) {
            // Black is appended again although the table has it: the existing entry is shown.
            EXPECT_EQ(image.GetColorMap().Count(), 5);
            EXPECT_EQ(transparent, 4);
            EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + 3), (std::vector<BYTE>{4, 3, 4}));
        } else {
            EXPECT_EQ(image.GetColorMap().Count(), 4);
            EXPECT_EQ(transparent, 3);
            EXPECT_EQ(std::vector<BYTE>(frame->Data(), frame->Data() + 3), (std::vector<BYTE>{3, 3, 3}));
        }
        (void)before;
    }
}

TEST(Optimize, ReductionOptionOnlyChecksTheMethod)
{
    TGIFImage image;
    LocalFrame(image, 2, 1, {clRed, clLime}, {0, 1});
    EXPECT_EQ(ErrorOf([&] { image.Optimize(TGIFOptimizeOptions{ooReduceColors}, rmPalette, dmNearest, 8); }),
              "Invalid reduction method");
    EXPECT_EQ(ErrorOf([&] { image.Optimize(TGIFOptimizeOptions{ooReduceColors}, TColorReduction(12), dmNearest, 8); }),
              "Invalid reduction method");
    const auto bytes = giftest::SaveToBytes(image);
    std::vector<std::pair<TProgressStage, int>> progress;
    image.OnProgress = [&](TGraphic&, TProgressStage stage, BYTE percent, bool, const TRect&, const std::string& text) {
        EXPECT_EQ(text, "Optimizing...");
        progress.emplace_back(stage, percent);
    };
    image.Optimize(TGIFOptimizeOptions{ooReduceColors}, rmNetscape, TDitherMode(99), 0);
    const auto handler = image.OnProgress;
    image.OnProgress = nullptr;
    EXPECT_EQ(giftest::SaveToBytes(image), bytes);
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), std::make_pair(psStarting, 0));
    EXPECT_EQ(progress.back(), std::make_pair(psEnding, 100));
    // An empty image is left alone and reports nothing.
    progress.clear();
    TGIFImage empty;
    empty.OnProgress = handler;
    empty.Optimize(TGIFOptimizeOptions{ooReduceColors}, rmPalette, dmNearest, 8);
    EXPECT_TRUE(progress.empty());
}

TEST(Optimize, CleanupDropsWhatShowsNothing)
{
    TGIFImage image;
    image.Header().SetWidth(4);
    image.Header().SetHeight(4);
    TGIFSubImage* first = LocalFrame(image, 2, 2, {clRed, clLime}, {0, 1, 1, 0});
    first->Extensions().Add(new TGIFAppExtNSLoop(first));
    first->Extensions().Add(new TGIFCommentExtension(first));
    AddGce(first, 10, dmBackground);
    TGIFSubImage* second = LocalFrame(image, 4, 4, {clRed, clLime}, std::vector<int>(16, 1));
    second->Extensions().Add(new TGIFAppExtNSLoop(second));
    AddGce(second, 0, dmNone);
    TGIFSubImage* third = LocalFrame(image, 2, 1, {clRed, clLime, clBlue}, {0, 1});
    AddGce(third, 5, dmNone, 2); // transparent, but no pixel is
    image.Optimize(TGIFOptimizeOptions{ooCleanup}, rmNone, dmNearest, 8);
    ASSERT_EQ(image.Images().GetCount(), 3);
    // First frame: loop and control kept, comment gone; fully covered by the opaque next
    // frame, so clearing it is pointless.
    ASSERT_EQ(first->Extensions().GetCount(), 2);
    EXPECT_NE(dynamic_cast<TGIFAppExtNSLoop*>(first->Extensions().GetExtension(0)), nullptr);
    EXPECT_EQ(first->GraphicControlExtension()->GetDisposal(), dmNone);
    // Second: a loop extension off the first frame and a control block that says nothing.
    EXPECT_EQ(second->Extensions().GetCount(), 0);
    EXPECT_EQ(second->GraphicControlExtension(), nullptr);
    ASSERT_NE(third->GraphicControlExtension(), nullptr);
    EXPECT_FALSE(third->Transparent());
    EXPECT_EQ(third->GraphicControlExtension()->GetDelay(), 5);
}

TEST(Pack, OnlyFrameTableBecomesGlobal)
{
    TGIFImage image;
    TGIFSubImage* frame = LocalFrame(image, 2, 1, {clRed, clLime}, {0, 1});
    const auto before = Compose(image);
    image.Pack();
    EXPECT_EQ(frame->ColorMap().Count(), 0);
    EXPECT_EQ(image.GetColorMap().Count(), 2);
    EXPECT_EQ(Compose(image), before);
    LocalFrame(image, 1, 1, {clBlue}, {0});
    image.Pack();
    EXPECT_EQ(image.Images().GetImage(1)->ColorMap().Count(), 1);
}
