#pragma once
// Helpers shared by the optimisation tests: the screen and its timeline composed straight
// from the model, random animations, and frames with tables of their own.
#include <cstdint>
#include <utility>
#include <vector>

#include "gif/gifimage.h"

namespace optimizetest {

constexpr std::uint32_t Background = 0xFF000000u;

std::uint32_t Rgb(const TGIFColor& c);

TGIFGraphicControlExtension* AddGce(TGIFSubImage* frame, WORD delay, TDisposalMethod disposal = dmNone,
                                    int transparentIndex = -1);

std::vector<std::vector<std::uint32_t>> Compose(TGIFImage& image);
std::vector<int> Delays(TGIFImage& image);
std::vector<std::pair<int, std::vector<std::uint32_t>>> Timeline(TGIFImage& image);
std::vector<std::uint32_t> At(const std::vector<std::pair<int, std::vector<std::uint32_t>>>& steps, int t);

struct TAnimationSpec {
    unsigned Seed;
    bool SharedColours;  // every colour from one small set, so that one table can hold them all
    bool GlobalFrames;   // some frames index the global table
};

void BuildAnimation(TGIFImage& image, const TAnimationSpec& spec);

TColor Filler(int i);
TGIFSubImage* LocalFrame(TGIFImage& image, int w, int h, const std::vector<TColor>& colours,
                         const std::vector<int>& pixels, int left = 0, int top = 0);
std::vector<int> Iota(int n, int repeat = 1);

} // namespace optimizetest
