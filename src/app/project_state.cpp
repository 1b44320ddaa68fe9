// Operations on the project state as a whole.
#include "app/createavi.h"

#include <QPlainTextEdit>

void TAVIForm::ResetTextDefaults(int width, int height, const std::string& text)
{
    TextString = text;
    TextBackColor = clWhite;
    TextFrameCount = 5;
    TextFrameTime = 300;
    TextDirection = 0;
    TextFrameTop = 0;
    TextFrameLeft = 0;
    TextTop = 0;
    TextLeft = 0;
    TextFrameWidth = width;
    TextFrameHeight = height;
    TextUseBackPicture = false;
    if (!TextFont)
        TextFont = std::make_unique<TFont>();
    TextFont->Size = 12;
    TextFont->Color = clRed;
    TextFont->Style = TFontStyles{fsBold};
}

void TAVIForm::ClearAllFrames()
{
    ClearFrames();
    SelectedFrames.clear();
    Memo1->clear();
    UpdateFrameActions(false);
}
