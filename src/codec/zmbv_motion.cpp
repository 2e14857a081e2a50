// The frames after a key frame: which blocks changed since the previous frame, and for each
// the vector into the previous frame that leaves the least to XOR.
#include "codec/zmbv.h"
#include "codec/zmbv_internal.h"

#include <algorithm>
#include <cstring>

namespace kest::codec {

using detail::HashBytes;
using detail::kNotHashed;
using detail::kSplitFrameBytes;
using detail::SameBytes;

void ZmbvEncoder::MarkChangedBlocks(const std::uint8_t* pixels) {
    std::fill(changed_.begin(), changed_.end(), 0);
    if (!helper_) {
        MarkChangedBlocks(pixels, 0, blocksDown_);
        return;
    }
    // Halves of whole block rows, so that the two threads never mark the same block.
    const int middle = blocksDown_ / 2;
    helper_->Start([this, pixels, middle] { MarkChangedBlocks(pixels, 0, middle); });
    MarkChangedBlocks(pixels, middle, blocksDown_);
    helper_->Wait();
}

void ZmbvEncoder::MarkChangedBlocks(const std::uint8_t* pixels, int firstBlockRow, int endBlockRow) {
    const std::size_t segment = static_cast<std::size_t>(blockSize_) * bytesPerPixel_;
    const int end = std::min(height_, endBlockRow * blockSize_);
    for (int y = firstBlockRow * blockSize_; y < end; ++y) {
        const std::uint8_t* current = CurrentRow(pixels, y);
        const std::uint8_t* previous = reference_.data() + static_cast<std::size_t>(y) * rowBytes_;
        std::uint8_t* changed = changed_.data() + static_cast<std::size_t>(y / blockSize_) * blocksAcross_;
        for (int bx = 0; bx < blocksAcross_; ++bx) {
            if (changed[bx]) continue;  // one differing row is enough for the block
            const std::size_t at = static_cast<std::size_t>(bx) * segment;
            if (!SameBytes(current + at, previous + at, std::min(segment, rowBytes_ - at))) changed[bx] = 1;
        }
    }
}

bool ZmbvEncoder::Matches(const std::uint8_t* pixels, const Block& block, Vector v) const {
    const int x = block.x + v.dx, y = block.y + v.dy;
    if (x < 0 || y < 0 || x + block.width > width_ || y + block.height > height_) return false;
    const std::size_t bytes = static_cast<std::size_t>(block.width) * bytesPerPixel_;
    for (int j = 0; j < block.height; ++j) {
        const std::uint8_t* current =
            CurrentRow(pixels, block.y + j) + static_cast<std::size_t>(block.x) * bytesPerPixel_;
        const std::uint8_t* previous = reference_.data() + static_cast<std::size_t>(y + j) * rowBytes_ +
                                       static_cast<std::size_t>(x) * bytesPerPixel_;
        if (!SameBytes(current, previous, bytes)) return false;
    }
    return true;
}

ZmbvEncoder::Vector ZmbvEncoder::ChooseVector(const std::uint8_t* pixels, const Block& block, Vector above,
                                              bool* exact) {
    // What moved the last block usually moved its neighbours too: a scrolled page, a dragged window.
    for (const Vector candidate : {lastMotion_, above}) {
        if (candidate != Vector{} && Matches(pixels, block, candidate)) {
            *exact = true;
            lastMotion_ = candidate;
            return candidate;
        }
    }
    int matchingRows = 0;
    const int dy = SearchScroll(pixels, block, &matchingRows);
    if (dy != 0 && matchingRows == block.height && Matches(pixels, block, {0, dy})) {
        *exact = true;
        lastMotion_ = {0, dy};
        return lastMotion_;
    }
    // Otherwise the XOR is taken against the rows that agree most, which leaves it mostly zero.
    return {0, dy};
}

const std::uint64_t* ZmbvEncoder::ReferenceColumnHashes(int column) {
    std::uint64_t* hashes = columnHashes_.data() + static_cast<std::size_t>(column) * height_;
    if (hashedFor_[column] != frameNumber_) {
        const std::size_t at = static_cast<std::size_t>(column) * blockSize_ * bytesPerPixel_;
        const std::size_t bytes = std::min(static_cast<std::size_t>(blockSize_) * bytesPerPixel_, rowBytes_ - at);
        for (int y = 0; y < height_; ++y) hashes[y] = HashBytes(reference_.data() + y * rowBytes_ + at, bytes);
        hashedFor_[column] = frameNumber_;
    }
    return hashes;
}

int ZmbvEncoder::SearchScroll(const std::uint8_t* pixels, const Block& block, int* matchingRows) {
    // Vertical moves only, found by the rows' hashes in the block's column of the previous
    // frame: text scrolls up and down far more often than it slides sideways.
    const std::uint64_t* previous = ReferenceColumnHashes(block.x / blockSize_);
    const std::size_t at = static_cast<std::size_t>(block.x) * bytesPerPixel_;
    const std::size_t bytes = static_cast<std::size_t>(block.width) * bytesPerPixel_;
    std::uint64_t current[255];
    for (int j = 0; j < block.height; ++j) current[j] = HashBytes(CurrentRow(pixels, block.y + j) + at, bytes);
    const int lowest = std::max(-kMaxMotion, -block.y);
    const int highest = std::min(kMaxMotion, height_ - block.height - block.y);
    int best = 0, bestRows = -1;
    // Counts the rows that agree with the previous frame moved by dy; true when all of them do.
    const auto consider = [&](int dy) {
        if (dy < lowest || dy > highest) return false;
        const std::uint64_t* source = previous + block.y + dy;
        int rows = 0;
        for (int j = 0; j < block.height; ++j) rows += source[j] == current[j];
        if (rows > bestRows) {
            best = dy;
            bestRows = rows;
        }
        return rows == block.height;
    };
    // Nearer moves first, so that they win ties.
    if (!consider(0)) {
        for (int step = 1; step <= kMaxMotion; ++step) {
            if (consider(step) || consider(-step)) break;
        }
    }
    *matchingRows = bestRows;
    return best;
}

std::uint8_t* ZmbvEncoder::AppendXor(const std::uint8_t* pixels, const Block& block, Vector v, std::uint8_t* to) const {
    const std::size_t bytes = static_cast<std::size_t>(block.width) * bytesPerPixel_;
    for (int j = 0; j < block.height; ++j) {
        const std::uint8_t* current =
            CurrentRow(pixels, block.y + j) + static_cast<std::size_t>(block.x) * bytesPerPixel_;
        const std::uint8_t* previous = reference_.data() + static_cast<std::size_t>(block.y + v.dy + j) * rowBytes_ +
                                       static_cast<std::size_t>(block.x + v.dx) * bytesPerPixel_;
        for (std::size_t i = 0; i < bytes; ++i) to[i] = current[i] ^ previous[i];
        to += bytes;
    }
    return to;
}

void ZmbvEncoder::UpdateReference(const std::uint8_t* pixels, const Block& block) {
    const std::size_t at = static_cast<std::size_t>(block.x) * bytesPerPixel_;
    const std::size_t bytes = static_cast<std::size_t>(block.width) * bytesPerPixel_;
    for (int j = 0; j < block.height; ++j) {
        std::memcpy(reference_.data() + static_cast<std::size_t>(block.y + j) * rowBytes_ + at,
                    CurrentRow(pixels, block.y + j) + at, bytes);
    }
}

}  // namespace kest::codec
