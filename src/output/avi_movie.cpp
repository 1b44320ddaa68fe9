#include "output/avi_movie.h"

#include <filesystem>
#include <system_error>

#include "output/avifunction.h"
#include "platform/memory_guard.h"
#include "platform/qt/services.h"

namespace {

const char* const ErrorCaption = "Ошибка";

bool DeleteExisting(const TAviMovie& movie, const std::string& fileName)
{
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec))
        return true;
    if (movie.DeleteFile)
        return movie.DeleteFile(fileName);
    return std::filesystem::remove(fileName, ec) && !ec;
}

// The class library's plain message: the application's title, an OK button.
void ShowPlainMessage(const std::string& text) { MessageBox(text, ApplicationTitle(), MB_OK); }

// A text other than "Success" is shown; answers whether the step went well.
bool Succeeded(HRESULT result)
{
    const std::string text = AviResultText(result);
    if (text == "Success")
        return true;
    ShowPlainMessage(text);
    return false;
}

} // namespace

void WriteAviMovie(const TAviMovie& movie, const std::string& fileName)
{
    if (!DeleteExisting(movie, fileName)) {
        MessageBox("Выберите другое имя для сохраняемого файла.", ErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }
    AviWriter* writer = AviWriterOpen(fileName, movie.AviFrameTime, nullptr);
    if (!writer) {
        MessageBox("Невозможно создать файл: " + fileName, ErrorCaption, MB_OK | MB_ICONERROR);
        return;
    }
    for (std::size_t i = 0; i < movie.Frames.size(); ++i) {
        std::unique_ptr<TDibSection> section;
        if (movie.Frames[i]) {
            // The frame composed at the project's size and its section; memory that cannot
            // hold them ends the writing with the frames written so far in a closed file.
            try {
                const int bits = movie.ScreenDepthBytes == 3 ? 24 : 32;
                ReserveMemory(2 * BitmapMemoryBytes(movie.FrameWidth, movie.FrameHeight, bits));
            } catch (...) {
                AviWriterClose(writer);
                throw;
            }
            const TPoint origin = i < movie.Origins.size() ? movie.Origins[i] : TPoint{};
            const TBitmap canvas = ComposeAviFrame(*movie.Frames[i], origin, movie.FrameWidth, movie.FrameHeight,
                                                   movie.ScreenDepthBytes);
            section = MakeDibSection(canvas, movie.ScreenDepthBytes);
        }
        if (!section) {
            MessageBox("Проблема с Bitmap.", ErrorCaption, MB_OK | MB_ICONERROR);
            AviWriterClose(writer);
            return;
        }
        if (i == 0 && movie.ShowCodecDialog) {
            // The choice opens on this handler when it is on offer.
            AVICOMPRESSOPTIONS options;
            options.fccHandler = MakeFourCC('d', 'i', 'v', 'x');
            if (!Succeeded(AviWriterSetCompression(writer, section.get(), &options, true, movie.Owner))) {
                AviWriterClose(writer);
                return;
            }
        }
        if (!Succeeded(AviWriterAddFrame(writer, section.get()))) {
            AviWriterClose(writer);
            return;
        }
    }
    if (movie.AddSound) {
        std::error_code ec;
        if (std::filesystem::exists(movie.WavFile, ec))
            Succeeded(AviWriterAddWave(writer, movie.WavFile.c_str(), AVI_WAVE_FILENAME));
        else
            ShowPlainMessage("Проверьте полный путь к WAV файлу! WAV файл не найден.");
    }
    // Only the index and headers are left to go; their failure is a write failure too.
    Succeeded(AviWriterClose(writer));
}
