#pragma once
// Frames of scrolling text: the lines of the horizontal directions, the animated GIF the
// frames are rendered into, and the file it is kept in. No widgets here; the text is drawn
// through the canvas, with whatever text renderer is installed.
#include <functional>
#include <string>
#include <vector>

#include "platform/canvas.h"
#include "platform/colors.h"

class TGIFImage;

enum TTextDirection { tdLeftToRight = 0, tdRightToLeft = 1, tdTopDown = 2, tdBottomUp = 3 };

constexpr bool IsHorizontalDirection(int direction)
{
    return direction == tdLeftToRight || direction == tdRightToLeft;
}

// The characters of a UTF-8 text, one string each (a byte that starts no valid sequence is
// a character of its own).
std::vector<std::string> SplitCharacters(const std::string& utf8);

// The pixel width of a text in the font the frames are drawn with.
using TTextMeasure = std::function<int(const std::string& text)>;

// One line per frame for the horizontal directions (an empty list for the vertical ones).
// Left to right, the text grows in from its end and then moves right behind more and more
// blanks. Right to left, a line of blanks as wide as the area right of textX takes one
// character of the text per frame at its end and loses one (two while it starts with a
// blank) at its start.
std::vector<std::string> TextLayout(const std::string& text, int count, int direction, int textX, int areaWidth,
                                    const TTextMeasure& measure);

// What the frames are made of.
struct TTextFrameJob {
    int Count = 0;
    int Direction = tdLeftToRight;
    std::vector<std::string> Lines; // from TextLayout, for the horizontal directions
    std::string Text;
    int TextX = 0;
    int TextY = 0;
    int LineHeight = 0;
    int Width = 0; // of the text area, the size of every frame
    int Height = 0;
    TFont Font;
    TColor BackColor = clWhite;
    int FrameTime = 0; // ms
};

// Renders job.Count frames into gif (which should be empty): each the size of the text area,
// filled with the back colour and showing its line, with a delay of FrameTime / 10
// hundredths and no transparency; the first image carries the endless-loop extension.
// Vertical text moves by LineHeight per frame and starts over when it leaves the area.
void TextFrameBuilder(const TTextFrameJob& job, TGIFImage& gif);

// The frames' file goes into the folder "Work" of the program's folder; made when missing.
// Raises Exception "Невозможно создать <programFolder> папку Work." when it cannot be.
std::string EnsureWorkFolder(const std::string& programFolder);

// The file for a text in the Work folder (which ends with "/"): the text + ".gif", or when
// that is taken "1" + text + ".gif", "2" + text + ".gif", ... Characters that cannot stand in
// a file name (separators, "..", control characters) become "_", and a long text is cut so
// that the name stays a name the file system takes.
std::string TextFramesGifPath(const std::string& workFolder, const std::string& text);
