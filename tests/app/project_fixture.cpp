#include "project_fixture.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include <fstream>
#include <sstream>

#include "app/dialogs/mainoptions.h"
#include "app/start_platform.h"
#include "platform/registry.h"
#include "support/qt/application.h"

namespace {

void PutWord(std::vector<BYTE>& b, int v)
{
    b.push_back(BYTE(v & 0xFF));
    b.push_back(BYTE((v >> 8) & 0xFF));
}

void PutColorTable(std::vector<BYTE>& b, int bits)
{
    const int n = 1 << bits;
    for (int i = 0; i < n; ++i) {
        const BYTE v = BYTE(n > 1 ? i * 255 / (n - 1) : 0);
        b.insert(b.end(), {v, v, v});
    }
}

// Every pixel its own code after a clear, with a clear before the table would grow, so the
// code width never changes.
void PutPixels(std::vector<BYTE>& b, int bits, int pixels, BYTE color)
{
    const int minCode = std::max(2, bits);
    const int width = minCode + 1;
    const int clear = 1 << minCode;
    std::vector<int> codes{clear};
    for (int i = 0; i < pixels; ++i) {
        codes.push_back(color);
        codes.push_back(clear);
    }
    codes.push_back(clear + 1);
    std::vector<BYTE> data;
    unsigned long long acc = 0;
    int have = 0;
    for (int code : codes) {
        acc |= (unsigned long long)code << have;
        have += width;
        while (have >= 8) {
            data.push_back(BYTE(acc & 0xFF));
            acc >>= 8;
            have -= 8;
        }
    }
    if (have > 0)
        data.push_back(BYTE(acc & 0xFF));
    b.push_back(BYTE(minCode));
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        b.push_back(BYTE(n));
        b.insert(b.end(), data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + n));
    }
    b.push_back(0);
}

} // namespace

std::vector<BYTE> GifBytes(int screenWidth, int screenHeight, int globalBits,
                           const std::vector<TGifTestImage>& images, bool trailingEmpty)
{
    std::vector<BYTE> b{'G', 'I', 'F', '8', '9', 'a'};
    PutWord(b, screenWidth);
    PutWord(b, screenHeight);
    b.push_back(BYTE(0x80 | ((globalBits - 1) << 4) | (globalBits - 1)));
    b.push_back(0);
    b.push_back(0);
    PutColorTable(b, globalBits);
    for (const TGifTestImage& image : images) {
        if (image.Delay >= 0) {
            b.insert(b.end(), {0x21, 0xF9, 4, 0});
            PutWord(b, image.Delay);
            b.insert(b.end(), {0, 0});
        }
        b.push_back(0x2C);
        PutWord(b, image.Left);
        PutWord(b, image.Top);
        PutWord(b, image.Width);
        PutWord(b, image.Height);
        b.push_back(image.LocalBits ? BYTE(0x80 | (image.LocalBits - 1)) : 0);
        if (image.LocalBits)
            PutColorTable(b, image.LocalBits);
        PutPixels(b, image.LocalBits ? image.LocalBits : globalBits, image.Width * image.Height, image.Color);
    }
    if (trailingEmpty)
        b.insert(b.end(), {0x21, 0xF9, 4, 0, 10, 0, 0, 0});
    b.push_back(0x3B);
    return b;
}

void TProjectTest::SetUp()
{
    EnsureApplication();
    StartPlatform();
    SetRegistryStorePath(temp_ / "registry" / "registry.ini");
    desktop_.SetStrict(true);
    form_ = std::make_unique<TAVIForm>();
}

void TProjectTest::TearDown()
{
    form_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetRegistryStorePath({});
}

std::string TProjectTest::WriteBmp(const std::string& name, int width, int height, int seed)
{
    TBitmap picture(width, height, pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.SetPixel(x, y, RGB(x, y, seed));
    picture.SaveToFile(PathOf(name));
    return PathOf(name);
}

std::string TProjectTest::WriteFile(const std::string& name, const std::vector<BYTE>& bytes)
{
    std::ofstream out(PathOf(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return PathOf(name);
}

std::string TProjectTest::WriteText(const std::string& name, const std::string& text)
{
    std::ofstream(PathOf(name), std::ios::binary) << text;
    return PathOf(name);
}

std::string TProjectTest::ReadText(const std::string& name) const
{
    std::ifstream in(PathOf(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void TProjectTest::NewProject(int width, int height, int type, int aviTime)
{
    desktop_.ModalDialogs.Answer<TOptionsForm>([=](TOptionsForm& d) {
        d.CSpinEdit2->setValue(width);
        d.CSpinEdit3->setValue(height);
        d.SetTypeItem(type);
        d.CSpinEdit1->setValue(aviTime);
        d.Button1->click();
    });
    form_->ToolButNewClick();
}

void TProjectTest::Add(const std::vector<std::string>& files)
{
    desktop_.FileDialogs.Choose(files);
    form_->ActionAddExecute();
}

void TProjectTest::GifRunsProject()
{
    NewProject(10, 10, 1);
    const std::string a = WriteFile("a.gif", GifBytes(8, 8, 2, {{0, 0, 2, 2, -1, 0, 1}, {0, 0, 3, 2, -1, 0, 2},
                                                                {0, 0, 4, 2, -1, 0, 3}}));
    const std::string b = WriteFile("b.gif", GifBytes(8, 8, 2, {{0, 0, 5, 2, -1, 0, 1}}));
    Add({a, WriteBmp("s.bmp", 3, 3), b, a});
    ASSERT_EQ(form_->FrameCount(), 8u);
}

std::vector<std::string> TProjectTest::LogLines() const
{
    const QString text = form_->Memo1->toPlainText();
    std::vector<std::string> lines;
    if (text.isEmpty())
        return lines;
    for (const QString& line : text.split('\n'))
        lines.push_back(line.toStdString());
    return lines;
}
