#include "platform/file_replace.h"

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> tempCounter{0};

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(std::size_t(n));
    }
    return true;
}

} // namespace

bool ReplaceFileContents(const std::filesystem::path& target, std::string_view data)
{
    // The temporary file sits in the target's folder: a rename only replaces atomically
    // within one file system.
    std::filesystem::path temp = target;
    temp += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(tempCounter++);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, data) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temp, target, ec);
        ok = !ec;
    }
    if (!ok)
        std::filesystem::remove(temp, ec);
    return ok;
}
