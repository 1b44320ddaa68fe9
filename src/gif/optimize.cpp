// Making an animation smaller after its frames were built: clean-up of transparency, disposal
// and extensions, merging of pixels that repeat the frame before, and cropping of transparent
// borders. The colour tables' part is in colormap_optimize.cpp.
#include <algorithm>
#include <memory>
#include <vector>

#include "gif/gif_image.h"
#include "gif/optimize_frames.h"

bool IsTransparentFrame(const TGIFSubImage& frame)
{
    return frame.Transparent() && frame.GraphicControlExtension() != nullptr;
}

// The pixels of a frame when its buffer is whole; null otherwise so that a damaged frame is
// left alone instead of being read past its end.
BYTE* FramePixels(TGIFSubImage& frame)
{
    const std::size_t size = std::size_t(frame.Width()) * frame.Height();
    if (size == 0 || frame.DataSize() < size)
        return nullptr;
    return frame.Data();
}

bool FrameHolds(TGIFSubImage& frame, BYTE index)
{
    const BYTE* p = FramePixels(frame);
    if (!p)
        return false;
    const std::size_t size = std::size_t(frame.Width()) * frame.Height();
    return std::find(p, p + size, index) != p + size;
}

namespace {

TRect Intersection(const TRect& a, const TRect& b)
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty())
        return TRect{};
    return r;
}

// Adds a deleted frame's display time to another frame, making it a graphic control
// extension when it has none. Saturates instead of wrapping.
void AddDelay(TGIFSubImage& frame, unsigned delay)
{
    if (delay == 0)
        return;
    TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
    if (!gce) {
        gce = new TGIFGraphicControlExtension(&frame);
        frame.Extensions().Add(gce);
    }
    gce->SetDelay(WORD(std::min(0xFFFFu, unsigned(gce->GetDelay()) + delay)));
}

// Reports "Optimizing..." progress over a planned number of steps; always ends it.
class TOptimizeProgress {
public:
    TOptimizeProgress(TGIFImage& image, int planned) : FImage(image), FPlanned(std::max(planned, 1))
    {
        FImage.Progress(psStarting, 0, false, TRect{}, LoadGIFString(sProgressOptimizing));
    }
    ~TOptimizeProgress()
    {
        FImage.Progress(psEnding, FDone ? 100 : 0, false, TRect{}, LoadGIFString(sProgressOptimizing));
    }
    void Step()
    {
        ++FSteps;
        FImage.Progress(psRunning, BYTE(std::min(100, FSteps * 100 / FPlanned)), false, TRect{},
                        LoadGIFString(sProgressOptimizing));
    }
    void Done() { FDone = true; }

private:
    TGIFImage& FImage;
    int FPlanned;
    int FSteps = 0;
    bool FDone = false;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TGIFSubImage

void TGIFSubImage::Crop()
{
    if (GetEmpty() || !IsTransparentFrame(*this))
        return;
    BYTE* pixels = FramePixels(*this);
    if (!pixels)
        return;
    const BYTE transparent = GraphicControlExtension()->GetTransparentColorIndex();
    const int width = Width();
    const int height = Height();
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = 0; y < height; ++y) {
        const BYTE* row = pixels + std::size_t(y) * std::size_t(width);
        int first = 0;
        while (first < width && row[first] == transparent)
            ++first;
        if (first == width)
            continue;
        int last = width - 1;
        while (row[last] == transparent)
            --last;
        left = std::min(left, first);
        right = std::max(right, last);
        top = std::min(top, y);
        bottom = y;
    }
    if (right < 0) {
        Clear();
        return;
    }
    const int newWidth = right - left + 1;
    const int newHeight = bottom - top + 1;
    if (newWidth == width && newHeight == height)
        return;
    CheckRoom(std::uint64_t(newWidth) * std::uint64_t(newHeight));
    std::vector<BYTE> cropped(std::size_t(newWidth) * std::size_t(newHeight));
    for (int y = 0; y < newHeight; ++y)
        std::copy_n(pixels + std::size_t(top + y) * std::size_t(width) + std::size_t(left), newWidth,
                    cropped.data() + std::size_t(y) * std::size_t(newWidth));
    TImageDescriptor& d = Descriptor();
    d.Left = WORD(d.Left + left);
    d.Top = WORD(d.Top + top);
    d.Width = WORD(newWidth);
    d.Height = WORD(newHeight);
    SetData(std::move(cropped));
    FreeBitmap();
}

bool TGIFSubImage::Merge(TGIFSubImage* previous)
{
    if (GetEmpty())
        return true;
    if (!previous || previous->GetEmpty())
        return false;
    TGIFGraphicControlExtension* previousGce = previous->GraphicControlExtension();
    if (previousGce && (previousGce->GetDisposal() == dmBackground || previousGce->GetDisposal() == dmPrevious))
        return false;
    const TRect own = GetBoundsRect();
    const TRect other = previous->GetBoundsRect();
    const TRect common = Intersection(own, other);
    if (common.IsEmpty())
        return false;
    BYTE* pixels = FramePixels(*this);
    const BYTE* previousPixels = FramePixels(*previous);
    if (!pixels || !previousPixels)
        return false;

    TGIFColorMap& map = GetActiveColorMap();
    TGIFColorMap& previousMap = previous->GetActiveColorMap();
    const bool hadTransparency = IsTransparentFrame(*this);
    int transparent = hadTransparency ? GraphicControlExtension()->GetTransparentColorIndex() : -1;
    if (!hadTransparency && (map.Count() < 1 || map.Count() > 255))
        return false;
    const int previousTransparent =
        IsTransparentFrame(*previous) ? previous->GraphicControlExtension()->GetTransparentColorIndex() : -1;

    // An index for the repeated pixels: another frame's transparent index of the same global
    // table when none of our pixels holds it, else a black entry of our own table.
    const auto makeTransparent = [&]() -> int {
        if (ColorMap().Count() == 0 && Image()) {
            TGIFImageList& images = Image()->Images();
            for (int i = 0; i < images.GetCount(); ++i) {
                TGIFSubImage* frame = images.GetImage(i);
                if (frame == this || frame->ColorMap().Count() != 0 || !IsTransparentFrame(*frame))
                    continue;
                const BYTE index = frame->GraphicControlExtension()->GetTransparentColorIndex();
                if (!FrameHolds(*this, index))
                    return index;
            }
        }
        return map.Add(clBlack);
    };

    const int mapCount = map.Count();
    const int previousCount = previousMap.Count();
    const bool sameMap = &map == &previousMap;
    bool made = false;
    for (int y = common.Top; y < common.Bottom; ++y) {
        BYTE* row = pixels + std::size_t(y - own.Top) * Width() + std::size_t(common.Left - own.Left);
        const BYTE* previousRow =
            previousPixels + std::size_t(y - other.Top) * previous->Width() + std::size_t(common.Left - other.Left);
        for (int x = 0; x < common.Width(); ++x) {
            const int p = row[x];
            const int q = previousRow[x];
            if (p == transparent || q == previousTransparent)
                continue;
            bool repeats = sameMap && p == q;
            if (!repeats && p < mapCount && q < previousCount)
                repeats = map.Entry(p) == previousMap.Entry(q);
            if (!repeats)
                continue;
            if (transparent < 0) {
                transparent = makeTransparent();
                made = true;
            }
            row[x] = BYTE(transparent);
        }
    }
    if (made) {
        TGIFGraphicControlExtension* gce = GraphicControlExtension();
        if (!gce) {
            gce = new TGIFGraphicControlExtension(this);
            Extensions().Add(gce);
        }
        gce->SetTransparent(true);
        gce->SetTransparentColorIndex(BYTE(transparent));
    }
    FreeBitmap();
    return true;
}

// ---------------------------------------------------------------------------------------------
// TGIFImage

void TGIFImage::Pack()
{
    FreeBitmap();
    FreePalette();
    for (int i = 0; i < images_->GetCount(); ++i) {
        images_->GetImage(i)->FreeBitmap();
        images_->GetImage(i)->FreePalette();
    }
    if (GetColorMap().Count() == 0 && images_->GetCount() == 1) {
        TGIFLocalColorMap& local = images_->GetImage(0)->ColorMap();
        GetColorMap().Assign(local);
        local.Clear();
    }
}

void TGIFImage::Optimize(TGIFOptimizeOptions options, TColorReduction reduction, TDitherMode ditherMode,
                         int reductionBits)
{
    (void)ditherMode;    // no reduction is done here, so neither takes part
    (void)reductionBits;
    if (GetEmpty())
        return;
    PaintStop();
    TGIFPainterLock lock(Painters());
    TGIFImageList& images = *images_;

    int planned = 0;
    if (options.Contains(ooColorMap))
        planned += 1 + images.GetCount();
    if (options.Contains(ooCleanup))
        planned += 2 * images.GetCount();
    if (options.Contains(ooMerge))
        planned += images.GetCount();
    if (options.Contains(ooCrop))
        planned += images.GetCount();
    TOptimizeProgress progress(*this, planned);

    if (options.Contains(ooReduceColors) && (!IsValidColorReduction(reduction) || reduction == rmPalette))
        RaiseGIFError(sInvalidReduction);

    if (options.Contains(ooColorMap)) {
        if (GetColorMap().Count() > 0)
            GetColorMap().Optimize();
        progress.Step();
        for (int i = 0; i < images.GetCount(); ++i) {
            TGIFSubImage* frame = images.GetImage(i);
            if (frame->ColorMap().Count() > 0)
                frame->ColorMap().Optimize();
            progress.Step();
        }
    }

    if (options.Contains(ooCleanup)) {
        for (int i = 0; i < images.GetCount(); ++i) {
            TGIFSubImage* frame = images.GetImage(i);
            if (IsTransparentFrame(*frame) &&
                !FrameHolds(*frame, frame->GraphicControlExtension()->GetTransparentColorIndex()))
                frame->GraphicControlExtension()->SetTransparent(false);
        }
        // Restoring what lies under a frame is pointless when the next, opaque frame covers
        // it completely.
        for (int i = 0; i + 1 < images.GetCount(); ++i) {
            progress.Step();
            TGIFSubImage* frame = images.GetImage(i);
            TGIFSubImage* next = images.GetImage(i + 1);
            TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
            if (!gce || (gce->GetDisposal() != dmBackground && gce->GetDisposal() != dmPrevious) ||
                next->Transparent() || next->GetEmpty())
                continue;
            const TRect own = frame->GetBoundsRect();
            const TRect common = Intersection(own, next->GetBoundsRect());
            if (!common.IsEmpty() && common == own)
                gce->SetDisposal(dmNone);
        }
    }

    if (options.Contains(ooMerge)) {
        for (int i = images.GetCount() - 1; i >= 1; --i) {
            int j = i - 1;
            while (j > 0) {
                TGIFGraphicControlExtension* gce = images.GetImage(j)->GraphicControlExtension();
                if (!gce || gce->GetDisposal() != dmPrevious)
                    break;
                --j;
            }
            images.GetImage(i)->Merge(images.GetImage(j));
            progress.Step();
        }
    }

    if (options.Contains(ooCrop)) {
        for (int i = images.GetCount() - 1; i >= 0; --i) {
            progress.Step();
            TGIFSubImage* frame = images.GetImage(i);
            if (frame->GetEmpty() || !IsTransparentFrame(*frame))
                continue;
            TGIFGraphicControlExtension* gce = frame->GraphicControlExtension();
            // A frame cleared to the background after it is shown clears its whole
            // rectangle: cropping it would clear less.
            if (gce->GetDisposal() == dmBackground)
                continue;
            const unsigned delay = gce->GetDelay();
            const BYTE transparent = gce->GetTransparentColorIndex();
            const BYTE* pixels = FramePixels(*frame);
            const std::size_t size = std::size_t(frame->Width()) * frame->Height();
            const bool vanishes =
                pixels && std::all_of(pixels, pixels + size, [transparent](BYTE b) { return b == transparent; });
            if (vanishes) {
                if (images.GetCount() == 1)
                    continue; // an image keeps at least one frame
                // A blank frame after one that is cleared or undone shows the cleared screen;
                // giving its time to that frame would show the frame instead.
                if (i > 0) {
                    const TGIFGraphicControlExtension* before = images.GetImage(i - 1)->GraphicControlExtension();
                    if (before && (before->GetDisposal() == dmBackground || before->GetDisposal() == dmPrevious))
                        continue;
                }
                if (i == 0) {
                    // The loop setting belongs on whatever frame comes first.
                    TGIFSubImage* next = images.GetImage(1);
                    TGIFExtensionList& extensions = frame->Extensions();
                    for (int e = extensions.GetCount() - 1; e >= 0; --e) {
                        TGIFExtension* extension = extensions.GetExtension(e);
                        if (dynamic_cast<TGIFAppExtNSLoop*>(extension)) {
                            std::unique_ptr<TGIFItem> loop = extensions.Remove(extension);
                            extension->SetSubImage(next);
                            next->Extensions().Insert(0, loop.release());
                        }
                    }
                }
            }
            frame->Crop();
            if (frame->GetEmpty()) {
                images.Delete(i);
                // The animation keeps its length: the time goes to the frame shown before,
                // or for the first frame to the one that now starts the animation.
                AddDelay(*images.GetImage(i > 0 ? i - 1 : 0), delay);
            }
        }
    }

    if (options.Contains(ooCleanup)) {
        for (int i = images.GetCount() - 1; i >= 0; --i) {
            progress.Step();
            TGIFSubImage* frame = images.GetImage(i);
            TGIFExtensionList& extensions = frame->Extensions();
            const bool several = images.GetCount() > 1;
            for (int e = extensions.GetCount() - 1; e >= 0; --e) {
                TGIFExtension* extension = extensions.GetExtension(e);
                if (dynamic_cast<TGIFCommentExtension*>(extension) || dynamic_cast<TGIFTextExtension*>(extension) ||
                    dynamic_cast<TGIFUnknownAppExtension*>(extension))
                    extensions.Delete(e);
                else if (dynamic_cast<TGIFAppExtNSLoop*>(extension) && !(i == 0 && several))
                    extensions.Delete(e);
            }
            if (TGIFGraphicControlExtension* gce = frame->GraphicControlExtension()) {
                const bool noDisposal = gce->GetDisposal() == dmNone || gce->GetDisposal() == dmNoDisposal;
                if ((gce->GetDelay() == 0 || !several) && !gce->GetTransparent() && !gce->GetUserInput() &&
                    (noDisposal || !several))
                    extensions.Delete(extensions.IndexOf(gce));
            }
            if (frame->GetEmpty() && extensions.GetCount() == 0 && several)
                images.Delete(i);
        }
    }
    progress.Done();
}
