#include "codec/zmbv.h"
#include "codec/zmbv_internal.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace kest::codec {

namespace {

using detail::kNotHashed;
using detail::kSplitFrameBytes;
using detail::SameBytes;

constexpr std::uint8_t kKeyFrameFlag = 1;
constexpr std::uint8_t kDeltaPaletteFlag = 2;
constexpr std::uint8_t kMajorVersion = 0;
constexpr std::uint8_t kMinorVersion = 1;
constexpr std::uint8_t kZlibCompression = 1;
constexpr std::size_t kPaletteEntries = 256;
constexpr std::int32_t kBitmapHeaderBytes = 40;  // the output format is a bare BITMAPINFOHEADER
// Keeps every size the messages report within a signed 32-bit answer.
constexpr std::uint64_t kMaxRawBytes = std::uint64_t{1} << 28;
// Room for what a sync flush and zlib's header add beyond compressBound.
constexpr std::size_t kFlushAllowance = 64;

std::size_t RowCount(const BitmapHeader& input) {
    return static_cast<std::size_t>(input.height < 0 ? -static_cast<std::int64_t>(input.height) : input.height);
}

std::size_t Stride(const BitmapHeader& input) {
    return static_cast<std::size_t>(platform::DibStride(input.width, input.bitCount));
}

std::uint64_t PixelBytes(const BitmapHeader& input, ZmbvFormat format) {
    return static_cast<std::uint64_t>(input.width) * RowCount(input) *
           static_cast<std::uint64_t>(BytesPerPixel(format));
}

std::uint64_t RawBytes(const BitmapHeader& input, ZmbvFormat format) {
    return PixelBytes(input, format) + (format == ZmbvFormat::Palette8 ? kPaletteBytes : 0);
}

std::size_t BlocksOf(std::int64_t pixels, int blockSize) {
    return static_cast<std::size_t>((pixels + blockSize - 1) / blockSize);
}

// The decoder reads two bytes per block and skips to the next multiple of four.
std::size_t VectorTableBytes(std::size_t blocks) { return (blocks * 2 + 3) & ~std::size_t{3}; }

}  // namespace

std::optional<ZmbvFormat> FormatFor(const BitmapHeader& input) {
    if (input.size < 40 || input.planes != 1 || input.compression != kBiRgb) return std::nullopt;
    if (input.width <= 0 || input.height == 0 || input.height == INT32_MIN) return std::nullopt;
    std::optional<ZmbvFormat> format;
    switch (input.bitCount) {
        case 32:
        case 24: format = ZmbvFormat::Bgrx32; break;
        case 16: format = ZmbvFormat::Rgb555; break;  // BI_RGB 16-bit pixels are 5-5-5
        case 8:
            if (input.clrUsed > kPaletteEntries) return std::nullopt;
            format = ZmbvFormat::Palette8;
            break;
        default: return std::nullopt;
    }
    if (RawBytes(input, *format) > kMaxRawBytes) return std::nullopt;
    return format;
}

int BytesPerPixel(ZmbvFormat format) {
    switch (format) {
        case ZmbvFormat::Palette8: return 1;
        case ZmbvFormat::Rgb555:
        case ZmbvFormat::Rgb565: return 2;
        case ZmbvFormat::Bgr24: return 3;
        case ZmbvFormat::Bgrx32: return 4;
    }
    return 4;
}

std::size_t RawFrameBytes(const BitmapHeader& input) {
    const auto format = FormatFor(input);
    return format ? static_cast<std::size_t>(RawBytes(input, *format)) : 0;
}

std::size_t MaxFrameBytes(const BitmapHeader& input, int blockSize) {
    const auto format = FormatFor(input);
    if (!format) return 0;
    // An inter frame in which every block changed: the palette's XOR, the vectors, every pixel.
    const std::size_t blocks =
        BlocksOf(input.width, blockSize) * BlocksOf(static_cast<std::int64_t>(RowCount(input)), blockSize);
    const std::uint64_t inter =
        (*format == ZmbvFormat::Palette8 ? kPaletteBytes : 0) + VectorTableBytes(blocks) + PixelBytes(input, *format);
    const std::uint64_t payload = std::max(inter, RawBytes(input, *format));
    return kKeyFrameHeaderBytes + compressBound(static_cast<uLong>(payload)) + kFlushAllowance;
}

Helper::Helper() : thread_([this] { Run(); }) {}

Helper::~Helper() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Helper::Start(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        busy_ = true;
    }
    changed_.notify_all();
}

void Helper::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
}

void Helper::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || quit_; });
        if (quit_) return;
        lock.unlock();
        job_();
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

ZmbvEncoder::ZmbvEncoder(int level, int blockSize, int keyFrameLevel)
    : level_(level), keyFrameLevel_(keyFrameLevel), blockSize_(std::clamp(blockSize, 1, 255)) {}

ZmbvEncoder::~ZmbvEncoder() { End(); }

bool ZmbvEncoder::Begin(const BitmapHeader& input) {
    End();
    const auto format = FormatFor(input);
    if (!format) return false;
    stream_ = std::make_unique<z_stream>();
    if (deflateInit(stream_.get(), level_) != Z_OK) {
        stream_.reset();
        return false;
    }
    input_ = input;
    format_ = *format;
    bytesPerPixel_ = BytesPerPixel(format_);
    width_ = input.width;
    height_ = static_cast<int>(RowCount(input));
    rowBytes_ = static_cast<std::size_t>(width_) * bytesPerPixel_;
    blocksAcross_ = static_cast<int>(BlocksOf(width_, blockSize_));
    blocksDown_ = static_cast<int>(BlocksOf(height_, blockSize_));
    const std::size_t blocks = static_cast<std::size_t>(blocksAcross_) * blocksDown_;
    reference_.assign(rowBytes_ * height_, 0);
    palette_.assign(format_ == ZmbvFormat::Palette8 ? kPaletteBytes : 0, 0);
    widened_.assign(input.bitCount == 24 ? reference_.size() : 0, 0);
    payload_.assign(palette_.size() + VectorTableBytes(blocks) + reference_.size(), 0);
    changed_.assign(blocks, 0);
    vectors_.assign(blocks, Vector{});
    columnHashes_.assign(static_cast<std::size_t>(blocksAcross_) * height_, 0);
    hashedFor_.assign(static_cast<std::size_t>(blocksAcross_), kNotHashed);
    if (reference_.size() >= kSplitFrameBytes && !helper_) helper_ = std::make_unique<Helper>();
    haveReference_ = false;
    begun_ = true;
    return true;
}

void ZmbvEncoder::End() {
    if (stream_) deflateEnd(stream_.get());
    stream_.reset();
    for (auto* buffer : {&reference_, &palette_, &widened_, &payload_, &changed_}) {
        buffer->clear();
        buffer->shrink_to_fit();
    }
    vectors_ = {};
    columnHashes_ = {};
    hashedFor_ = {};
    helper_.reset();
    begun_ = haveReference_ = false;
}

const std::uint8_t* ZmbvEncoder::CurrentRow(const std::uint8_t* pixels, int y) const {
    if (!widened_.empty()) return widened_.data() + static_cast<std::size_t>(y) * rowBytes_;
    const std::size_t row = input_.height > 0 ? static_cast<std::size_t>(height_ - 1 - y) : static_cast<std::size_t>(y);
    return pixels + row * Stride(input_);
}

void ZmbvEncoder::TakePalette(const std::uint8_t* colours, std::uint8_t* palette) const {
    const std::size_t entries = input_.clrUsed ? input_.clrUsed : kPaletteEntries;
    std::memset(palette, 0, kPaletteBytes);
    for (std::size_t i = 0; i < entries && colours; ++i) {  // RGBQUAD is blue, green, red, unused
        palette[i * 3] = colours[i * 4 + 2];
        palette[i * 3 + 1] = colours[i * 4 + 1];
        palette[i * 3 + 2] = colours[i * 4];
    }
}

bool ZmbvEncoder::Deflate(const std::uint8_t* data, std::size_t size, int flush) {
    stream_->next_in = const_cast<Bytef*>(data);
    stream_->avail_in = static_cast<uInt>(size);
    const int result = deflate(stream_.get(), flush);
    // Everything handed in must have been taken, and a flush must have found room for all of
    // its output: a full output buffer may hold back the end of the frame.
    return (result == Z_OK || result == Z_BUF_ERROR) && stream_->avail_in == 0 &&
           (flush == Z_NO_FLUSH || stream_->avail_out > 0);
}

std::optional<EncodedFrame> ZmbvEncoder::Encode(const std::uint8_t* pixels, const std::uint8_t* colours, bool key,
                                                std::uint8_t* out, std::size_t capacity) {
    if (!begun_ || capacity < kKeyFrameHeaderBytes) return std::nullopt;
    if (!widened_.empty()) {  // 24-bit rows become 32-bit ones once, for every later step
        for (int y = 0; y < height_; ++y) {
            const std::size_t row =
                input_.height > 0 ? static_cast<std::size_t>(height_ - 1 - y) : static_cast<std::size_t>(y);
            const std::uint8_t* from = pixels + row * Stride(input_);
            std::uint8_t* to = widened_.data() + static_cast<std::size_t>(y) * rowBytes_;
            for (int x = 0; x < width_; ++x) {
                to[x * 4] = from[x * 3];
                to[x * 4 + 1] = from[x * 3 + 1];
                to[x * 4 + 2] = from[x * 3 + 2];
                to[x * 4 + 3] = 0xFF;
            }
        }
    }
    std::uint8_t palette[kPaletteBytes];
    if (format_ == ZmbvFormat::Palette8) TakePalette(colours, palette);

    key = key || !haveReference_;
    // A frame that fails leaves the decoder's zlib stream and picture behind ours.
    haveReference_ = false;
    std::optional<std::size_t> size;
    if (key) {
        if (!palette_.empty()) std::memcpy(palette_.data(), palette, kPaletteBytes);
        size = EncodeKey(pixels, out, capacity);
    } else {
        out[0] = 0;
        std::uint8_t* payload = payload_.data();
        if (!palette_.empty() && !SameBytes(palette, palette_.data(), kPaletteBytes)) {
            out[0] = kDeltaPaletteFlag;
            for (std::size_t i = 0; i < kPaletteBytes; ++i) *payload++ = palette[i] ^ palette_[i];
            std::memcpy(palette_.data(), palette, kPaletteBytes);
        }
        size = EncodeInter(pixels, payload, out, capacity);
    }
    if (!size) return std::nullopt;
    haveReference_ = true;
    return EncodedFrame{*size, key};
}

std::optional<std::size_t> ZmbvEncoder::EncodeKey(const std::uint8_t* pixels, std::uint8_t* out, std::size_t capacity) {
    out[0] = kKeyFrameFlag;
    out[1] = kMajorVersion;
    out[2] = kMinorVersion;
    out[3] = kZlibCompression;
    out[4] = static_cast<std::uint8_t>(format_);
    out[5] = static_cast<std::uint8_t>(blockSize_);
    out[6] = static_cast<std::uint8_t>(blockSize_);
    for (int y = 0; y < height_; ++y) {
        std::memcpy(reference_.data() + static_cast<std::size_t>(y) * rowBytes_, CurrentRow(pixels, y), rowBytes_);
    }
    // A key frame starts the zlib stream afresh, so that a player can begin decoding here;
    // every frame ends with a sync flush, so the frames after it continue the same stream.
    if (deflateReset(stream_.get()) != Z_OK) return std::nullopt;
    if (deflateParams(stream_.get(), keyFrameLevel_, Z_DEFAULT_STRATEGY) != Z_OK) return std::nullopt;
    stream_->next_out = out + kKeyFrameHeaderBytes;
    stream_->avail_out = static_cast<uInt>(std::min<std::size_t>(capacity - kKeyFrameHeaderBytes, UINT32_MAX));
    if (!palette_.empty() && !Deflate(palette_.data(), kPaletteBytes, Z_NO_FLUSH)) return std::nullopt;
    if (!Deflate(reference_.data(), reference_.size(), Z_SYNC_FLUSH)) return std::nullopt;
    return static_cast<std::size_t>(stream_->next_out - out);
}

std::optional<std::size_t> ZmbvEncoder::EncodeInter(const std::uint8_t* pixels, std::uint8_t* payload,
                                                    std::uint8_t* out, std::size_t capacity) {
    ++frameNumber_;
    if (frameNumber_ == kNotHashed) {
        frameNumber_ = 0;
        std::fill(hashedFor_.begin(), hashedFor_.end(), kNotHashed);
    }
    MarkChangedBlocks(pixels);
    std::uint8_t* table = payload;
    const std::size_t blocks = changed_.size();
    std::uint8_t* xors = table + VectorTableBytes(blocks);
    std::memset(table, 0, static_cast<std::size_t>(xors - table));
    for (int by = 0, b = 0; by < blocksDown_; ++by) {
        for (int bx = 0; bx < blocksAcross_; ++bx, ++b) {
            vectors_[b] = {};
            if (!changed_[b]) continue;
            const Block block{bx * blockSize_, by * blockSize_, std::min(blockSize_, width_ - bx * blockSize_),
                              std::min(blockSize_, height_ - by * blockSize_)};
            const Vector above = by > 0 ? vectors_[b - blocksAcross_] : Vector{};
            bool exact = false;
            const Vector v = ChooseVector(pixels, block, above, &exact);
            vectors_[b] = v;
            // Byte one: dx in the upper seven bits, the block's XOR flag in the lowest; byte two: dy.
            table[b * 2] = static_cast<std::uint8_t>((v.dx * 2) | (exact ? 0 : 1));
            table[b * 2 + 1] = static_cast<std::uint8_t>(v.dy * 2);
            if (!exact) xors = AppendXor(pixels, block, v, xors);
        }
    }
    // The vectors point into the previous frame, so it changes only once every block is coded.
    for (int by = 0, b = 0; by < blocksDown_; ++by) {
        for (int bx = 0; bx < blocksAcross_; ++bx, ++b) {
            if (!changed_[b]) continue;
            UpdateReference(pixels, {bx * blockSize_, by * blockSize_, std::min(blockSize_, width_ - bx * blockSize_),
                                     std::min(blockSize_, height_ - by * blockSize_)});
        }
    }
    stream_->next_out = out + 1;
    stream_->avail_out = static_cast<uInt>(std::min<std::size_t>(capacity - 1, UINT32_MAX));
    // Back from the key frame's level; the last frame ended with a sync flush, so nothing
    // pending is coded at the new level and the stream carries on unbroken.
    if (keyFrameLevel_ != level_ && deflateParams(stream_.get(), level_, Z_DEFAULT_STRATEGY) != Z_OK) {
        return std::nullopt;
    }
    // The whole payload, vector table included: ffmpeg shows the frame before last for an
    // inter frame that inflates to nothing.
    const std::uint8_t* begin = payload_.data();
    if (!Deflate(begin, static_cast<std::size_t>(xors - begin), Z_SYNC_FLUSH)) return std::nullopt;
    return static_cast<std::size_t>(stream_->next_out - out);
}

std::int32_t ScreenCodec::CompressQuery(const BitmapHeader& input, const BitmapHeader* output) {
    if (!FormatFor(input)) return kIcErrBadFormat;
    if (!output) return kIcErrOk;
    BitmapHeader ours;
    CompressGetFormat(input, &ours);
    const bool same = output->compression == ours.compression && output->width == ours.width &&
                      (output->height == ours.height || output->height == -ours.height) &&
                      output->bitCount == ours.bitCount;
    return same ? kIcErrOk : kIcErrBadFormat;
}

std::int32_t ScreenCodec::CompressFormatSize(const BitmapHeader& input) {
    return FormatFor(input) ? kBitmapHeaderBytes : kIcErrBadFormat;
}

std::int32_t ScreenCodec::CompressGetFormat(const BitmapHeader& input, BitmapHeader* output) {
    const auto format = FormatFor(input);
    if (!format) return kIcErrBadFormat;
    BitmapHeader result;
    result.width = input.width;
    result.height = input.height < 0 ? -input.height : input.height;
    result.planes = 1;
    result.bitCount = static_cast<std::uint16_t>(BytesPerPixel(*format) * 8);
    result.compression = kZmbvFourCC;
    result.sizeImage = static_cast<std::uint32_t>(MaxFrameBytes(input));
    result.xPelsPerMeter = input.xPelsPerMeter;
    result.yPelsPerMeter = input.yPelsPerMeter;
    *output = result;
    return kIcErrOk;
}

std::int32_t ScreenCodec::CompressGetSize(const BitmapHeader& input) {
    return FormatFor(input) ? static_cast<std::int32_t>(MaxFrameBytes(input)) : kIcErrBadFormat;
}

std::int32_t ScreenCodec::CompressBegin(const BitmapHeader& input, const BitmapHeader* output) {
    const std::int32_t query = CompressQuery(input, output);
    if (query != kIcErrOk) return query;
    if (!encoder_.Begin(input)) return kIcErrMemory;
    capacity_ = MaxFrameBytes(input);
    last_.reset();
    return kIcErrOk;
}

std::int32_t ScreenCodec::Compress(std::uint32_t flags, std::int32_t frameNumber, const std::uint8_t* pixels,
                                   const std::uint8_t* colours, std::uint8_t* out, std::uint32_t* written,
                                   std::uint32_t* frameFlags) {
    if (!encoder_.Begun()) return kIcErrBadFormat;
    const bool askedForKey = (flags & kIcCompressKeyFrame) != 0;
    // A host that finds a frame too large for its data rate asks for the same frame again at a
    // lower quality. Ours is lossless: the frame already in its buffer is the answer. Coded
    // afresh it would be compared with itself, and come out as "nothing changed".
    if (last_ && last_->frame == frameNumber && last_->out == out && (last_->key || !askedForKey)) {
        *written = static_cast<std::uint32_t>(last_->size);
        *frameFlags = last_->key ? kAviifKeyFrame : 0;
        return kIcErrOk;
    }
    // Inter frames refer to the frame coded last. A later frame may skip numbers: the host
    // leaves those slots empty, and players hold the frame coded last through them. Going back
    // (a host that seeks) starts from a key frame.
    const bool follows = last_ && frameNumber > last_->frame;
    const auto frame = encoder_.Encode(pixels, colours, askedForKey || !follows, out, capacity_);
    if (!frame) {
        last_.reset();
        return kIcErrInternal;
    }
    last_ = Coded{frameNumber, out, frame->size, frame->key};
    *written = static_cast<std::uint32_t>(frame->size);
    *frameFlags = frame->key ? kAviifKeyFrame : 0;
    return kIcErrOk;
}

std::int32_t ScreenCodec::CompressEnd() {
    encoder_.End();
    capacity_ = 0;
    last_.reset();
    return kIcErrOk;
}

}  // namespace kest::codec
