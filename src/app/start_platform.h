#pragma once
// Everything the program has in place before its first window, done once for the program and
// for every test fixture alike, so that tests never run with less than the program has.
// Needs the GUI application object; further calls do nothing.
//
// Qt's own texts are Russian (where Qt's translation is installed), text on canvases is drawn
// by Qt, the clipboard is the system's, GIF painters draw through the GUI thread, device
// bitmaps follow the screen's depth, and the GIF and PNG libraries have registered their
// picture formats ("gif", "png") with the picture registry.
void StartPlatform();
