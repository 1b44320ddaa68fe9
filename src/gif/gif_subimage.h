#pragma once
// One frame: image descriptor, optional local colour table, one byte per pixel and the
// extension blocks that came before it in the file.
#include <functional>
#include <memory>
#include <vector>

#include "gif/gif_extensions.h"
#include "gif/gif_items.h"
#include "platform/bitmap.h"

class TCanvas;
class TGIFMemoryBudget;
struct TGIFConversionSettings;

#pragma pack(push, 1)
struct TImageDescriptor {
    BYTE Separator = 0x2C; // ','
    WORD Left = 0;
    WORD Top = 0;
    WORD Width = 0;
    WORD Height = 0;
    BYTE PackedFields = 0; // bit 7 local table, bit 6 interlaced, bit 5 sorted, bits 0-2 size
};
#pragma pack(pop)
static_assert(sizeof(TImageDescriptor) == 10);

constexpr BYTE idLocalColorTable = 0x80;
constexpr BYTE idInterlaced = 0x40;
constexpr BYTE idSort = 0x20;
constexpr BYTE idColorTableSize = 0x07;

// Frames and screens above this many pixels are refused before any buffer is made.
constexpr std::uint64_t GIFMaxPixels = std::uint64_t(1) << 28;

class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage* image);
    ~TGIFSubImage() override;
    std::string ClassName() const override { return "TGIFSubImage"; }

    TGIFVersion GetVersion() const override;
    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
    void SetImage(TGIFImage* image) override;

    // From a frame a copy; from a bitmap its pixels (reduced to 8 bits by the owning image's
    // settings when deeper); from another graphic a 24-bit drawing of it whose transparent
    // parts become transparent pixels.
    void Assign(const TPersistent& source) override;
    // The bitmap's pixels, reduced by the given settings rather than the image's or the
    // library's. Touches nothing outside the frame while the frame belongs to no image, so
    // frames made this way may be converted on several threads at once.
    void AssignBitmap(const TBitmap& source, const TGIFConversionSettings& settings);
    // The rendered bitmap, made on first use.
    TBitmap& GetBitmap();
    // The monochrome mask (1 = transparent pixel); null when no pixel is transparent.
    TBitmap* GetMask();
    // Owned by the frame (or its bitmap); raises "No global or local color table defined"
    // when neither the frame nor the image has colours.
    HPALETTE GetPalette();
    // Tile repeats the frame at its own size over rect; otherwise it is stretched to rect.
    void Draw(TCanvas& canvas, const TRect& rect, bool transparent, bool tile);
    void StretchDraw(TCanvas& canvas, const TRect& rect, bool transparent, bool tile);

    // Frees extensions, local table, pixels, bounds and caches.
    void Clear();
    bool GetEmpty() const;
    bool Empty() const { return GetEmpty(); }

    // Index 1 Left, 2 Top, 3 Width, 4 Height.
    WORD GetBounds(int index) const;
    void SetBounds(int index, WORD value);
    WORD Left() const { return desc_.Left; }
    WORD Top() const { return desc_.Top; }
    WORD Width() const { return desc_.Width; }
    WORD Height() const { return desc_.Height; }
    void SetLeft(WORD v) { SetBounds(1, v); }
    void SetTop(WORD v) { SetBounds(2, v); }
    void SetWidth(WORD v) { SetBounds(3, v); }
    void SetHeight(WORD v) { SetBounds(4, v); }
    TRect GetBoundsRect() const;
    void SetBoundsRect(const TRect& rect);
    TRect GetClientRect() const { return Rect(0, 0, desc_.Width, desc_.Height); }
    // Resizes the pixel buffer when the size changes and widens the logical screen when the
    // frame passes it.
    void DoSetBounds(int left, int top, int width, int height);

    bool GetInterlaced() const { return (desc_.PackedFields & idInterlaced) != 0; }
    void SetInterlaced(bool value);

    TGIFColorMap& GetActiveColorMap();
    TGIFLocalColorMap& ColorMap() { return *colorMap_; }
    const TGIFLocalColorMap& ColorMap() const { return *colorMap_; }
    int GetBitsPerPixel() const;
    int GetColorResolution() const { return GetBitsPerPixel() - 1; }

    BYTE GetPixel(int x, int y);
    // The row given to be changed: see Data.
    BYTE* GetScanline(int row);

    // Pixels, Width() bytes per row, rows top to bottom. The pixels given to be changed are
    // the frame's own from then on: it no longer decodes them again from its data.
    BYTE* Data()
    {
        NeedPixels();
        coded_.reset();
        return data_.data();
    }
    const BYTE* Data() const
    {
        NeedPixels();
        return data_.data();
    }
    std::size_t DataSize() const
    {
        NeedPixels();
        return data_.size();
    }
    // Replaces the pixels; the caller keeps the descriptor's size in step with them.
    void SetData(std::vector<BYTE>&& data)
    {
        pending_.reset();
        coded_.reset();
        data_ = std::move(data);
        Recharge();
    }
    // (Re)makes a zeroed buffer of the frame's size; raises "Invalid image dimensions" for
    // a size of 0 or above GIFMaxPixels.
    void NewImage();
    // Lets go of the pixels: the frame is empty afterwards.
    void FreeImage();
    // Lets go of the bitmap and mask made from the pixels, and of the pixels themselves when
    // the frame can decode them again from its data: a frame read from a stream whose pixels
    // its image did not keep whole. The frame stays as it was but for what it holds.
    void ReleasePixels();
    // True while the frame holds only the pixels its data described (the rest being the
    // fill value) and has not made its full buffer yet.
    bool PixelsPending() const { return pending_ != nullptr; }
    // True while the frame has its whole buffer of pixels at hand, rather than what its data
    // described or only its data.
    bool HoldsPixels() const { return !data_.empty(); }

    TImageDescriptor& Descriptor() { return desc_; }
    const TImageDescriptor& Descriptor() const { return desc_; }
    TGIFExtensionList& Extensions() { return *extensions_; }
    const TGIFExtensionList& Extensions() const { return *extensions_; }

    // Set together with the transparency bit of the frame's graphic control extension.
    bool Transparent() const { return transparent_; }
    void SetTransparentFlag(bool value) { transparent_ = value; }
    TGIFGraphicControlExtension* GraphicControlExtension() const { return gce_; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension* gce) { gce_ = gce; }
    // The transparent index when the frame is transparent, else 0.
    BYTE FillIndex() const;

    // Rebuilds the descriptor's packed byte before saving.
    void Prepare();
    void Decompress(TStream& stream);
    void Compress(TStream& stream);
    // The frame's encoding with all it needs from the image taken now: the call reads nothing
    // but the frame's pixels, so that frames can be encoded on other threads while the image
    // is written. The pixels must not change until it has run.
    std::function<void(TStream&)> CompressJob() const;

    // Caches shared with rendering.
    TBitmap* CachedBitmap() const { return bitmap_.get(); }
    void SetCachedBitmap(std::unique_ptr<TBitmap> bitmap)
    {
        bitmap_ = std::move(bitmap);
        Recharge();
    }
    TBitmap* CachedMask() const { return mask_.get(); }
    void SetCachedMask(std::unique_ptr<TBitmap> mask)
    {
        mask_ = std::move(mask);
        Recharge();
    }
    bool NeedMask() const { return needMask_; }
    void SetNeedMask(bool value) { needMask_ = value; }
    HPALETTE CachedPalette() const { return palette_; }
    void SetCachedPalette(HPALETTE palette);
    // Drops the rendered bitmap and mask; what they held goes back to the image's budget.
    void FreeBitmap();
    void FreeMask();
    void FreePalette();

    // Frame optimisation steps (defined with the optimiser).
    void Crop();
    bool Merge(TGIFSubImage* previous);

protected:
    void AssignTo(TPersistent& dest) const override;

private:
    // The owning image's budget, null without an image.
    TGIFMemoryBudget* Budget() const;
    // Raises "Failed to allocate memory for GIF DIB" when a buffer of this many bytes more
    // would not fit the budget.
    void CheckRoom(std::uint64_t bytes) const;
    // The bytes the frame's pixels, bitmap and mask hold.
    std::int64_t HeldBytes() const;
    // Brings the budget up to date with what the frame holds; every change of the frame's
    // buffers ends with it.
    void Recharge() const;
    // Recharges when the scope ends, whichever way it ends.
    class TRecharge {
    public:
        explicit TRecharge(const TGIFSubImage& frame) : frame_(frame) {}
        ~TRecharge() { frame_.Recharge(); }
        TRecharge(const TRecharge&) = delete;
        TRecharge& operator=(const TRecharge&) = delete;

    private:
        const TGIFSubImage& frame_;
    };

    // The pixels of a frame whose data stopped early, in the data's row order; the full
    // buffer is made when the pixels are first needed, so that frames of a large size and
    // little data cost what their data describes.
    struct TPendingPixels {
        std::vector<BYTE> Decoded;
        BYTE Fill = 0;
        bool Interlaced = false;
    };
    // A frame's data as read (code size byte and sub-blocks), with what decoding them takes
    // from the frame as it was then; shared by the frame's copies, never changed. Kept by a
    // frame whose pixels were not kept whole when it was read.
    struct TCodedPixels {
        std::vector<BYTE> Data;
        BYTE Fill = 0;
        bool Interlaced = false;
    };
    void NeedImage();
    // Lets go of the decoded pixels; the data stay.
    void DropPixels();
    // Makes the full buffer of a pending frame, or of one that holds only its data.
    void NeedPixels() const
    {
        if (pending_)
            MakePendingPixels();
        else if (data_.empty() && coded_)
            MakeCodedPixels();
    }
    void MakePendingPixels() const;
    void MakeCodedPixels() const;
    // The full buffer decoded from the frame's data.
    std::vector<BYTE> DecodeCoded() const;
    // What encoding the frame needs from the image, taken on the saving thread.
    struct TEncodeSettings {
        int Bits = 0;
        int Colors = 0;
        int Width = 0;
        int Height = 0;
        bool Rle = false;
        bool Interlaced = false;
        bool Empty = false;
        TGIFMemoryBudget* Budget = nullptr;
    };
    TEncodeSettings EncodeSettings() const;
    void EncodeWith(const TEncodeSettings& settings, TStream& stream) const;
    std::vector<BYTE> ExpandPending() const;
    void RenderOnLoad();
    void AssignFrame(const TGIFSubImage& source);
    void AssignBitmap(const TBitmap& source);
    void AssignGraphic(const TGraphic& source);
    void ImportRows(const TBitmap& source);
    std::unique_ptr<TBitmap> DoGetBitmap();
    std::unique_ptr<TBitmap> DoGetDitherBitmap();
    void BuildMask();
    // Draws the frame scaled to dest, leaving the target outside clip untouched.
    void DrawScaled(TCanvas& canvas, const TRect& dest, const TRect& clip, bool transparent);

    std::unique_ptr<TBitmap> bitmap_;
    std::unique_ptr<TBitmap> mask_;
    bool needMask_ = true;
    // What the frame has put on its image's budget; below 2^32, as no frame passes
    // GIFMaxPixels, and kept beside the flag so that a frame grows by nothing.
    mutable std::uint32_t charged_ = 0;
    mutable std::vector<BYTE> data_;
    mutable std::unique_ptr<TPendingPixels> pending_;
    std::shared_ptr<const TCodedPixels> coded_;
    std::unique_ptr<TGIFLocalColorMap> colorMap_;
    TImageDescriptor desc_;
    std::unique_ptr<TGIFExtensionList> extensions_;
    bool transparent_ = false;
    TGIFGraphicControlExtension* gce_ = nullptr;
    HPALETTE palette_ = nullptr;
};
