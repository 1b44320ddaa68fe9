#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace kelvo::test {

// The public conformance suites (PngSuite, BMP Suite, GIF suites, ICO and JPEG samples). They
// are not part of the project: a clone without them skips the tests whose subject is a suite.
std::filesystem::path CorporaDir();

// Empty when the file or folder of a suite is there; else the reason a test of that suite
// skips, naming what is missing.
std::string MissingCorpus(const std::filesystem::path& path);

// True when KELVO_CORPORA_REQUIRED is set (CI sets it): a missing suite then fails its tests,
// so that a wrong path cannot turn every suite test into a skip unnoticed.
bool CorporaRequired();

// The files under a suite folder and its subfolders whose extension is one of those given (every
// file when none is), sorted by name. Finding none fails the test that asked: a suite folder that
// is there but empty, or holds other files than the test reads, must not pass with nothing checked.
std::vector<std::filesystem::path> CorpusFiles(const std::filesystem::path& dir,
                                               const std::vector<std::string>& extensions = {});

// Empty when a reference tool that a suite test compares with is on PATH; else the reason that
// test skips.
std::string MissingReferenceTool(const std::string& name);

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

// Skips the test, or fails it where the suites are required, when `missing` names something.
#define KELVO_SKIP_UNLESS_REQUIRED(missing)                                                          \
    do {                                                                                             \
        if (const std::string kelvoMissing = (missing); !kelvoMissing.empty()) {                     \
            if (::kelvo::test::CorporaRequired())                                                    \
                FAIL() << kelvoMissing;                                                              \
            GTEST_SKIP() << kelvoMissing;                                                            \
        }                                                                                            \
    } while (false)

// For a test whose subject is a conformance suite: skips it (fails it where the suites are
// required) when the suite's file or folder is not there.
#define KELVO_REQUIRE_CORPUS(path) KELVO_SKIP_UNLESS_REQUIRED(::kelvo::test::MissingCorpus(path))

// For a suite test that compares with a reference tool: where the suites are required the tool
// is too (CI installs it), so that its absence cannot turn the comparison into a skip unnoticed.
#define KELVO_REQUIRE_REFERENCE_TOOL(name) KELVO_SKIP_UNLESS_REQUIRED(::kelvo::test::MissingReferenceTool(name))
