#pragma once
// Text of known size: every character is 10 pixels wide and the line 15 high. Drawing puts a
// 2-pixel-high bar in the font's colour where the text starts and remembers each call, so a
// test can tell where text went, in a bitmap or in a saved GIF.
#include <string>
#include <vector>

#include "editing/text_frames.h"
#include "platform/bitmap.h"
#include "platform/canvas.h"

class TFakeTextRenderer : public TTextRenderer {
public:
    struct TCall {
        int X = 0;
        int Y = 0;
        std::string Text;
    };
    std::vector<TCall> Drawn;

    TFakeTextRenderer() : before_(GetTextRenderer()) { SetTextRenderer(this); }
    ~TFakeTextRenderer() override { SetTextRenderer(before_); }

    void DrawText(TBitmap& target, int x, int y, const std::string& utf8, const TFont& font, const TBrush&,
                  const TRect*) override
    {
        Drawn.push_back({x, y, utf8});
        const int width = 10 * int(SplitCharacters(utf8).size());
        for (int row = y; row < y + 2; ++row)
            for (int col = x; col < x + width; ++col)
                target.Canvas().SetPixels(col, row, font.Color);
    }
    TSize Measure(const std::string& utf8, const TFont&) override
    {
        return TSize{10 * int(SplitCharacters(utf8).size()), 15};
    }
    std::vector<int> Ys() const
    {
        std::vector<int> ys;
        for (const TCall& c : Drawn)
            ys.push_back(c.Y);
        return ys;
    }

private:
    TTextRenderer* before_;
};
