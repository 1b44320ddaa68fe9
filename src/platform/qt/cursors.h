#pragma once
// The program's own cursors, the screen's table of cursor slots that forms pick them from,
// and the hourglass of long operations.
#include <QCursor>

// Cursor resources of the program, by number. 1009 is the cross-hair pointer of the text-frame
// dialog; an unknown number gives the arrow.
QCursor LoadCursorResource(int id);

// The screen's cursor slots; an empty slot gives the arrow.
void SetScreenCursor(int slot, const QCursor& cursor);
QCursor ScreenCursor(int slot);
bool HasScreenCursor(int slot);

// Shows the hourglass for the life of the guard and gives the previous cursor back on every
// way out, exceptions included. Guards nest; without a GUI application it does nothing.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    bool shown_;
};
