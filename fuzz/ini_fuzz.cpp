// Project files come from anywhere: reading one must never crash, hang or grow without bound,
// and whatever was read must survive a rewrite unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        TIniFile ini = TIniFile::FromText(text);
        // What the project reader asks for.
        for (const char* key : {"Width", "Height", "Stretch", "Type", "Time", "Sound", "Crop"})
            (void)ini.ReadInteger("Parameters", key, -1);
        (void)ini.ReadString("Parameters", "Wav_File", "None");
        for (int n = 1; n <= 64 && ini.ValueExists("Files", "File_" + std::to_string(n)); ++n) {
            (void)ini.ReadString("Files", "File_" + std::to_string(n), "");
            (void)ini.ReadInteger("Files", "Time_" + std::to_string(n), 500);
        }
        const std::string before = ini.Text();
        if (TIniFile::FromText(before).Text() != before)
            std::abort();
        // What the project writer does to an existing file.
        ini.EraseSection("Files");
        ini.WriteInteger("Files", "Flip_1", 3);
        if (TIniFile::FromText(ini.Text()).ReadInteger("files", "flip_1", 0) != 3)
            std::abort();
    } catch (const EIniFileException&) {
        // Refused as too large or too long: the reader reports that, it is not a fault.
    }
    return 0;
}
