#include <cstdio>
#include <string>

#include "output/avifunction.h"
#include "platform/qt/services.h"

namespace {

int MmioError(int code)
{
    MessageBox("MMIO Error. Error Code: " + std::to_string(code), "MMIO Error", MB_OK | MB_ICONERROR);
    return -1;
}

} // namespace

int WaveDurationMs(const std::string& fileName)
{
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (!file) {
        MessageBox("Error opening file.", "Error Message", MB_OK | MB_ICONERROR);
        return -1;
    }
    TWaveFileSource source(file);
    TWaveLayout layout;
    const int code = ReadWaveLayout(source, layout);
    std::fclose(file);
    if (code != 0)
        return MmioError(code);
    const std::int64_t ms = WaveLayoutDurationMs(layout);
    return ms < 0 || ms > INT32_MAX ? -1 : int(ms);
}
