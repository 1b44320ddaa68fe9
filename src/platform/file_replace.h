#pragma once
// Replaces a file's whole content so that readers, and the file after a crash or a full disk,
// see either the old content or the new one, never a mix: the data goes to a temporary file
// beside the target, is flushed to the disk, and the temporary file is renamed over the target.
#include <filesystem>
#include <string_view>

// False when any step failed; the target is then untouched and no temporary file is left.
bool ReplaceFileContents(const std::filesystem::path& target, std::string_view data);
