// Picture files into frames: loading by extension, fitting the placement, the frame bitmap,
// the GIF options of a GIF image, and a whole still frame.
#include "app/createavi.h"

#include "app/frame_geometry.h"
#include "app/project_format.h"
#include "gif/gifimage.h"
#include "platform/icon_image.h"
#include "platform/jpeg_image.h"
#include "png/pngimage.h"

namespace {

enum class TPictureKind { None, Bmp, Jpeg, Png, Icon };

TPictureKind KindOf(const std::string& fileName)
{
    // Lowered letter by letter in ASCII: a locale's own rule (the Turkish dotless i) must not
    // turn ".ICO" into something no loader knows.
    const std::string ext = LowerFileExtension(fileName);
    if (ext == ".bmp")
        return TPictureKind::Bmp;
    if (ext == ".jpg" || ext == ".jpeg")
        return TPictureKind::Jpeg;
    if (ext == ".png")
        return TPictureKind::Png;
    if (ext == ".ico")
        return TPictureKind::Icon;
    return TPictureKind::None;
}

const char* KindName(TPictureKind kind)
{
    switch (kind) {
    case TPictureKind::Bmp:
        return "BMP.";
    case TPictureKind::Jpeg:
        return "JPG.";
    case TPictureKind::Png:
        return "PNG.";
    case TPictureKind::Icon:
        return "ICO.";
    case TPictureKind::None:
        break;
    }
    return "";
}

void LoadPicture(TPictureKind kind, const std::string& fileName, TBitmap& picture)
{
    switch (kind) {
    case TPictureKind::Bmp:
        picture.LoadFromFile(fileName);
        picture.SetPixelFormat(pf24bit);
        break;
    case TPictureKind::Jpeg: {
        TMemoryStream stream;
        stream.LoadFromFile(fileName);
        stream.SetPosition(0);
        TJPEGImage jpeg;
        jpeg.LoadFromStream(stream);
        jpeg.DIBNeeded();
        picture.Assign(jpeg);
        picture.SetPixelFormat(pf24bit);
        break;
    }
    case TPictureKind::Png: {
        TPNGObject png;
        png.LoadFromFile(fileName);
        picture.Assign(png);
        picture.SetPixelFormat(pf24bit);
        break;
    }
    case TPictureKind::Icon: {
        TIcon icon;
        icon.LoadFromFile(fileName);
        // Where the icon is transparent the new bitmap's white shows through.
        picture.SetSize(icon.Width(), icon.Height());
        picture.SetPixelFormat(pf24bit);
        picture.Canvas().Draw(0, 0, icon);
        break;
    }
    case TPictureKind::None:
        break;
    }
}

} // namespace

void TAVIForm::ReadFramePicture(const std::string& fileName, TBitmap& picture)
{
    LoadPicture(KindOf(fileName), fileName, picture);
}

bool TAVIForm::LoadFrameImage(const std::string& fileName, TBitmap& picture)
{
    const TPictureKind kind = KindOf(fileName);
    try {
        LoadPicture(kind, fileName, picture);
    } catch (const EInvalidGraphic&) {
        MessageBox(std::string("Это не ") + KindName(kind), "Ошибка", MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void TAVIForm::FitFrameRect(MYRECT& rect, bool fit) const
{
    ::FitFrameRect(rect, fit, FrameWidth, FrameHeight, DefaultPlacement);
}

void TAVIForm::CopyPictureToFrameBitmap(TBitmap& frameBitmap, const TBitmap& picture, int width, int height,
                                        bool stretch) const
{
    ::CopyPictureToFrameBitmap(frameBitmap, picture, width, height, stretch);
}

GIFOPTIONS TAVIForm::MakeGifFrameRecord(TGIFSubImage& image) const
{
    GIFOPTIONS record = DefaultGifOptions;
    record.ReductionBit = image.GetBitsPerPixel();
    if (TGIFGraphicControlExtension* control = image.GraphicControlExtension()) {
        record.DisposalMethod = std::int8_t(control->GetDisposal());
        record.GIFTransparent = control->GetTransparent();
        record.TransparentColor = control->GetTransparentColor();
        record.TransparentColorIndex = control->GetTransparentColorIndex();
    }
    return record;
}

TFrameData TAVIForm::MakeStillFrame(const std::string& fileName, const TBitmap& picture) const
{
    TFrameData frame;
    frame.File = fileName;
    frame.Placement = MYRECT{0, 0, picture.Width(), picture.Height()};
    FitFrameRect(frame.Placement, ProjectStretch);
    ReserveFrameMemory(frame.Placement.Width, frame.Placement.Height);
    frame.Thumbnail = MakeThumbnailBitmap(picture);
    // Only an AVI project gives its own frame time; every other kind takes the GIF time.
    frame.Time = ProjectType == 0 ? WORD(AviFrameTime) : GifFrameTime;
    frame.Flip = 0;
    frame.SubImage = 0;
    frame.GifOptions = DefaultGifOptions;
    frame.GifOptions.TransparentColor = picture.GetPixel(0, picture.Height() - 1);
    frame.Stretch = ProjectStretch;
    frame.Bitmap = std::make_unique<TBitmap>();
    CopyPictureToFrameBitmap(*frame.Bitmap, picture, frame.Placement.Width, frame.Placement.Height,
                             ProjectStretch);
    return frame;
}

void TAVIForm::AddImageFrame(const std::string& fileName)
{
    TBitmap picture;
    // An empty picture (a file of another kind) has no pixel to take its colours from.
    if (!LoadFrameImage(fileName, picture) || picture.Empty())
        return;
    AppendFrameWithCell(MakeStillFrame(fileName, picture));
}
