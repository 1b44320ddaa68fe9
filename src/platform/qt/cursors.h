#pragma once
// The program's own cursors and the screen's table of cursor slots that forms pick them from.
#include <QCursor>

// Cursor resources of the program, by number. 1009 is the cross-hair pointer of the text-frame
// dialog; an unknown number gives the arrow.
QCursor LoadCursorResource(int id);

// The screen's cursor slots; an empty slot gives the arrow.
void SetScreenCursor(int slot, const QCursor& cursor);
QCursor ScreenCursor(int slot);
bool HasScreenCursor(int slot);
