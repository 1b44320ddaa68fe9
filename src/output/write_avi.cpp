// The project written as an AVI file from the window's frames and settings.
#include "app/createavi.h"

#include "output/avi_movie.h"
#include "output/avifunction.h"
#include "platform/qt/cursors.h"

void TAVIForm::WriteAviFile(const std::string& fileName)
{
    TWaitCursor hourglass;
    TAviMovie movie;
    movie.FrameWidth = FrameWidth;
    movie.FrameHeight = FrameHeight;
    movie.AviFrameTime = AviFrameTime;
    for (std::size_t i = 0; i < FrameCount(); ++i) {
        movie.Frames.push_back(FrameBitmaps.at(i).get());
        const MYRECT& place = FramePlacements.at(i);
        movie.Origins.push_back(TPoint{place.Left, place.Top});
    }
    movie.ShowCodecDialog = ShowCodecDialog;
    movie.AddSound = AddSound;
    movie.WavFile = WavFile;
    movie.ScreenDepthBytes = ScreenDepthBytes;
    movie.Owner = static_cast<QWidget*>(this);
    WriteAviMovie(movie, fileName);
}

std::unique_ptr<TDibSection> TAVIForm::MakeDibSection(const TBitmap& bitmap) const
{
    return ::MakeDibSection(bitmap, ScreenDepthBytes);
}
