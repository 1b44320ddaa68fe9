#pragma once
// The GIF library takes its drawing and conversion settings from process-wide defaults when
// an image is made or a bitmap converted. These two helpers are the only way the program
// changes them. Beside them, the two steps that every reading of a GIF source shares.
#include <cstddef>
#include <memory>
#include <string>

#include "app/frame_records.h"
#include "gif/gif_types.h"

class TBitmap;

// Loading a GIF only to take its frames apart must not start the library's painters, so
// animation is off in the default draw options while the scope lives. The options are put
// back as they were when the scope ends, also when the load throws.
class TGifAnimationOff {
public:
    TGifAnimationOff();
    ~TGifAnimationOff();
    TGifAnimationOff(const TGifAnimationOff&) = delete;
    TGifAnimationOff& operator=(const TGifAnimationOff&) = delete;

private:
    bool wasOn_;
};

// A frame's colour options become the library's conversion defaults (dithering, reduction,
// colour bits, compression), so the next image made or bitmap converted uses them. The
// values go in as they are; the library refuses those it does not know when it converts.
void SetGifConversionDefaults(const GIFOPTIONS& options);

// A GIF source file loaded to take its images apart: made and loaded with animation off, so
// that it never starts a painter.
std::unique_ptr<TGIFImage> LoadGifSource(const std::string& fileName);
// How many GIF sources have been loaded in this run: what a command over many frames costs
// in loads shows in it.
std::size_t GifSourceLoads();

// The GIF sources of a command that rebuilds frames from their files: the file loaded last
// is kept while a scope is open, so that the frames that follow each other in one file cost
// one load of it. A file that fails to load is not kept: the next frame that asks loads it
// again and fails as the first did. What a kept image holds between frames is its data and
// the few pixels its file keeps (TakeGifPicture lets go of the rest).
class TGifSources {
public:
    // Keeps what is loaded until the outermost scope ends.
    class TScope {
    public:
        explicit TScope(TGifSources& sources) : sources_(sources) { ++sources_.scopes_; }
        ~TScope()
        {
            if (--sources_.scopes_ == 0)
                sources_.Forget();
        }
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;

    private:
        TGifSources& sources_;
    };

    TGifSources();
    ~TGifSources();
    TGifSources(const TGifSources&) = delete;
    TGifSources& operator=(const TGifSources&) = delete;

    // The file's image, loaded unless it is the one kept. Asked for within a scope, it lives
    // until the outermost scope ends or another file is asked for.
    TGIFImage& Load(const std::string& fileName);
    void Forget();

private:
    std::string fileName_;
    std::unique_ptr<TGIFImage> image_;
    int scopes_ = 0;
};

// The picture becomes the image alone, at its own size, 24 bits a pixel. The image lets go
// of its pixels (all but the few its file keeps) and of the bitmap and mask made from them
// as soon as the picture has them, also when making the picture fails, so that the images
// of a file taken one after the other hold about one image at a time, however many the file
// has. The image stays as it was but for what it holds: it can be taken again.
void TakeGifPicture(TGIFSubImage& image, TBitmap& picture);
