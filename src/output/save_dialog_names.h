#pragma once
// File names as the save dialogs and the frame save see them: the extension that picks the
// picture format, and the typed name rewritten to match the filter the user switched to.
// Plain text in, plain text out; no dialog needed.
#include <string>

// The file's own name, without the folders in front of it.
std::string FileNamePart(const std::string& path);
// From the last dot of the file's own name to its end, dot included; empty when that name
// has no dot. A dot in a folder's name is no extension.
std::string FileNameExtension(const std::string& path);

// The picture formats the shown frame can be saved as.
enum class TFrameFileFormat { None, Png, Gif, Jpeg, Bmp };
// By the extension, in any letter case: ".png", ".gif", ".jpg" or ".jpeg", ".bmp"; anything
// else (no extension included) is None.
TFrameFileFormat FrameFileFormat(const std::string& path);

// The extension that goes with a filter of the frame dialog (bmp, gif, jpg, png) and of the
// output dialog (avi, gif); an index the dialog does not have gives the first / the GIF one.
std::string FrameDialogExtension(int filterIndex);
std::string OutputDialogExtension(int filterIndex);

// The typed text with its extension, dot included, replaced by the given one; a text
// without extension gets it appended. Empty text stays empty: there is nothing to rename.
std::string SwitchFileExtension(const std::string& text, const std::string& extension);
