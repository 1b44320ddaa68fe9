#pragma once
// The colour and font choosers.
//
// Execute shows the chooser modally, starting from Color / Font, and returns true when the
// user chose; only then do Color / Font hold the choice. The font chooser keeps the font's
// colour (Qt's chooser has none). Showing goes through the installed TChooseDialogs, so a
// test can answer with a colour or a font. Nothing in this header needs Qt.
#include <optional>
#include <set>

#include "platform/canvas.h"
#include "platform/types.h"

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdSolidColor, cdAnyColor };
using TColorDialogOptions = std::set<TColorDialogOption>;

class TColorDialog {
public:
    TColor Color = 0; // black
    TColorDialogOptions Options;
    bool Execute();
};

class TFontDialog {
public:
    TFont Font;
    bool Execute();
};

class TChooseDialogs {
public:
    virtual ~TChooseDialogs();
    virtual std::optional<TColor> ChooseColor(const TColorDialog& dialog) = 0;
    virtual std::optional<TFont> ChooseFont(const TFontDialog& dialog) = 0;
};

TChooseDialogs& ChooseDialogs();
void SetChooseDialogs(TChooseDialogs* service); // nullptr restores the Qt choosers
