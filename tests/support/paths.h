#pragma once
#include <filesystem>
#include <string>

namespace kelvo::test {

// The public conformance suites (PngSuite, BMP Suite, GIF suites, ICO and JPEG samples).
std::filesystem::path CorporaDir();

// A fresh, empty folder for one test; removed when the object goes.
class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// True when a command-line reference tool (convert, pngcheck, gifsicle, ffprobe...) is on PATH.
bool HaveTool(const std::string& name);

// Runs a shell command and returns its standard output; exitCode receives its status.
std::string RunCommand(const std::string& command, int* exitCode = nullptr);

} // namespace kelvo::test
