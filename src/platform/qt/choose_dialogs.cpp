#include "platform/qt/choose_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QFontInfo>

#include <cmath>

#include "platform/qt/qt_bridge.h"

TChooseDialogs::~TChooseDialogs() = default;

namespace {

// The chooser speaks points, as the font's Size does.
QFont ToChooserFont(const TFont& font)
{
    QFont f = FontToQFont(font);
    f.setPointSize(font.Size > 0 ? font.Size : 8);
    // The chooser lists the desktop's real families with their faces, and finds the face to
    // select by its name: under an alias such as "Sans Serif" it offers no bold face at all, and
    // the name Qt makes up for a face is translated ("Жирный") where the list has the font's own
    // ("Bold"). Either way a bold font accepted unchanged came back as another face.
    const QFontInfo face(f);
    f.setFamily(face.family());
    f.setStyleName(face.styleName());
    return f;
}

TFont FromChooserFont(const QFont& chosen, const TFont& start)
{
    TFont font = start;
    font.Name = chosen.family().toStdString();
    if (chosen.pointSize() > 0)
        font.Size = chosen.pointSize();
    else if (chosen.pixelSize() > 0)
        font.Size = int(std::lround(chosen.pixelSize() * 72.0 / TFont::PixelsPerInch));
    TFontStyles style;
    if (chosen.bold())
        style.Include(fsBold);
    if (chosen.italic())
        style.Include(fsItalic);
    if (chosen.underline())
        style.Include(fsUnderline);
    if (chosen.strikeOut())
        style.Include(fsStrikeOut);
    font.Style = style;
    return font;
}

class TQtChooseDialogs : public TChooseDialogs {
public:
    std::optional<TColor> ChooseColor(const TColorDialog& dialog) override
    {
        const QColor chosen = QColorDialog::getColor(ColorToQColor(dialog.Color), QApplication::activeWindow(),
                                                     QString(), QColorDialog::DontUseNativeDialog);
        if (!chosen.isValid())
            return std::nullopt;
        return RGB(chosen.red(), chosen.green(), chosen.blue());
    }

    std::optional<TFont> ChooseFont(const TFontDialog& dialog) override
    {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, ToChooserFont(dialog.Font), QApplication::activeWindow(),
                                                  QString(), QFontDialog::DontUseNativeDialog);
        if (!ok)
            return std::nullopt;
        return FromChooserFont(chosen, dialog.Font);
    }
};

TQtChooseDialogs qtChooseDialogs;
TChooseDialogs* chooseDialogs = &qtChooseDialogs;

} // namespace

TChooseDialogs& ChooseDialogs() { return *chooseDialogs; }
void SetChooseDialogs(TChooseDialogs* service) { chooseDialogs = service ? service : &qtChooseDialogs; }

bool TColorDialog::Execute()
{
    const auto chosen = ChooseDialogs().ChooseColor(*this);
    if (!chosen)
        return false;
    Color = *chosen;
    return true;
}

bool TFontDialog::Execute()
{
    const auto chosen = ChooseDialogs().ChooseFont(*this);
    if (!chosen)
        return false;
    Font = *chosen;
    return true;
}
