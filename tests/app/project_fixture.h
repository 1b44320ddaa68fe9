#pragma once
// A whole main window on the desktop's doubles, with picture and GIF files the test writes
// into a folder of its own: for the commands that go from an empty window to a saved project.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/createavi.h"
#include "support/paths.h"
#include "support/qt/fake_desktop.h"

// One image of a hand-made GIF: a w x h block of one colour index.
struct TGifTestImage {
    int Left = 0;
    int Top = 0;
    int Width = 1;
    int Height = 1;
    int Delay = -1;     // hundredths of a second; -1: no graphic control extension
    int LocalBits = 0;  // bits of a local colour table; 0: the global one
    BYTE Color = 1;
};

// A GIF of the images, with a global table of globalBits bits (grey ramp); trailingEmpty adds
// an image with no picture (extensions only) after them.
std::vector<BYTE> GifBytes(int screenWidth, int screenHeight, int globalBits,
                           const std::vector<TGifTestImage>& images, bool trailingEmpty = false);

class TProjectTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TAVIForm& Form() { return *form_; }
    std::string PathOf(const std::string& name) const { return (temp_ / name).string(); }
    // A 24-bit picture file whose pixel (x, y) is RGB(x, y, seed).
    std::string WriteBmp(const std::string& name, int width, int height, int seed = 0);
    std::string WriteFile(const std::string& name, const std::vector<BYTE>& bytes);
    std::string WriteText(const std::string& name, const std::string& text);
    std::string ReadText(const std::string& name) const;

    // A new project through the options dialog: size, type (0 AVI, 1 GIF), AVI time.
    void NewProject(int width, int height, int type = 0, int aviTime = 1000);
    // Adds the files through the add command.
    void Add(const std::vector<std::string>& files);
    std::vector<std::string> LogLines() const;
    // A GIF project of 10 x 10 whose frames are three runs of one GIF file each: images 0, 1
    // and 2 of a.gif (2, 3 and 4 pixels wide, colours 1, 2 and 3), a picture, image 0 of
    // b.gif, then a.gif's three images again.
    void GifRunsProject();
    // How many GIF files f loads.
    template <typename F>
    static std::size_t GifLoadsOf(F&& f)
    {
        const std::size_t before = GifSourceLoads();
        f();
        return GifSourceLoads() - before;
    }

    TFakeDesktop desktop_;
    kelvo::test::TTempDir temp_;
    std::unique_ptr<TAVIForm> form_;
};
