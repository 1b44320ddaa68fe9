#pragma once
// What the buffers of one image read from a file may hold at once.
#include <atomic>
#include <cstdint>
#include <limits>

// The decoded pixels an image read from a stream keeps at most; the frames past it keep only
// their data until their pixels are asked for.
constexpr std::uint64_t GIFKeptPixelBytes = std::uint64_t(64) << 20;

// Every buffer the library makes for an image read from a file counts here while it lives:
// the pixels the frames' data decode, the full buffers made from them on first use, the
// frames' bitmaps and masks, the whole-image bitmap and the painters' buffers; conversion
// buffers count while they are used. What bounds them is how much is held at once, not how
// much the file holds: the decoded pixels of a file's frames are kept only while they hold
// little (GIFKeptPixelBytes); every other frame keeps its data as read (at most the file's
// size, shared by the frame's copies, so not counted here) and decodes it when used.
//
// The bound only stops what the data do not describe. LZW can describe about 2,700 pixels
// with one byte, so a few kilobytes of data may truly describe a large frame whole; the
// bound makes room for drawing the largest such frame beside what the image keeps, however
// small the file. A frame whose data end early describes little and is filled on use, so a
// small file of such frames could ask for all the memory of the machine; for those the bound
// grows with the file's size from a floor that ordinary images stay under. An image built
// in memory (from bitmaps) has no bound.
class TGIFMemoryBudget {
public:
    // The bound for an image read from a stream of this many bytes.
    static std::uint64_t ForStreamSize(std::int64_t bytes);
    // Room to draw one frame of this size (its pixels, bitmap and mask) beside the pixels
    // the image keeps.
    static std::uint64_t ForWholeFrame(int width, int height);

    void SetLimit(std::uint64_t bytes) { limit_ = bytes; }
    void RemoveLimit() { limit_ = NoLimit; }
    // Raises a limit below bytes to bytes; no limit stays none.
    void AllowAtLeast(std::uint64_t bytes);
    std::uint64_t Limit() const { return limit_; }
    // The bytes the image's buffers hold now.
    std::int64_t Held() const { return held_; }

    // Raises "Failed to allocate memory for GIF DIB" when bytes more would not fit.
    void Check(std::uint64_t bytes) const;
    // Counts bytes made (delta above 0) or let go of (below 0) after the fact.
    void Hold(std::int64_t delta) { held_ += delta; }
    // Check and Hold in one step, for buffers made on several threads at once.
    void Claim(std::uint64_t bytes);

private:
    static constexpr std::uint64_t NoLimit = std::numeric_limits<std::uint64_t>::max();
    std::atomic<std::uint64_t> limit_{NoLimit};
    std::atomic<std::int64_t> held_{0};
};

// A conversion buffer's share of the budget for as long as the scope lives; none without
// a budget.
class TGIFBudgetClaim {
public:
    TGIFBudgetClaim(TGIFMemoryBudget* budget, std::uint64_t bytes) : budget_(budget), bytes_(bytes)
    {
        if (budget_)
            budget_->Claim(bytes_);
    }
    ~TGIFBudgetClaim()
    {
        if (budget_)
            budget_->Hold(-std::int64_t(bytes_));
    }
    TGIFBudgetClaim(const TGIFBudgetClaim&) = delete;
    TGIFBudgetClaim& operator=(const TGIFBudgetClaim&) = delete;

private:
    TGIFMemoryBudget* budget_;
    std::uint64_t bytes_;
};
