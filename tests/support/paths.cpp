#include "support/paths.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

namespace kelvo::test {

std::filesystem::path CorporaDir()
{
    if (const char* env = std::getenv("KELVO_CORPORA"); env && *env)
        return env;
    return KELVO_CORPORA_DIR;
}

std::string MissingCorpus(const std::filesystem::path& path)
{
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        return {};
    return "conformance suite not found: " + path.string() +
           " (KELVO_CORPORA names the folder of the suites; see README)";
}

bool CorporaRequired()
{
    const char* value = std::getenv("KELVO_CORPORA_REQUIRED");
    return value && *value && std::string(value) != "0";
}

std::vector<std::filesystem::path> CorpusFiles(const std::filesystem::path& dir,
                                               const std::vector<std::string>& extensions)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string extension = it->path().extension().string();
        if (it->is_regular_file(ec) &&
            (extensions.empty() || std::find(extensions.begin(), extensions.end(), extension) != extensions.end()))
            files.push_back(it->path());
    }
    if (files.empty()) {
        std::string wanted;
        for (const std::string& extension : extensions)
            wanted += (wanted.empty() ? " " : " or ") + extension;
        ADD_FAILURE() << "no" << wanted << " file found in " << dir.string()
                      << (ec ? " (" + ec.message() + ")" : std::string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string MissingReferenceTool(const std::string& name)
{
    if (HaveTool(name))
        return {};
    return "reference tool not found on PATH: " + name + " (`make test-deps` installs it)";
}

TTempDir::TTempDir()
{
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("kelvo-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TTempDir::~TTempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

bool HaveTool(const std::string& name)
{
    const std::string command = "command -v '" + name + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string RunCommand(const std::string& command, int* exitCode)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (exitCode)
            *exitCode = -1;
        return output;
    }
    std::array<char, 65536> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

} // namespace kelvo::test
