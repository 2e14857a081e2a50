#include "codec/zmbv.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace kest::codec {

namespace {

constexpr std::uint8_t kKeyFrameFlag = 1;
constexpr std::uint8_t kMajorVersion = 0;
constexpr std::uint8_t kMinorVersion = 1;
constexpr std::uint8_t kZlibCompression = 1;
constexpr std::size_t kPaletteEntries = 256;
constexpr std::int32_t kBitmapHeaderBytes = 40;  // the output format is a bare BITMAPINFOHEADER
// Keeps every size the messages report within a signed 32-bit answer.
constexpr std::uint64_t kMaxRawBytes = std::uint64_t{1} << 28;

std::size_t RowCount(const BitmapHeader& input) {
    return static_cast<std::size_t>(input.height < 0 ? -static_cast<std::int64_t>(input.height) : input.height);
}

std::size_t Stride(const BitmapHeader& input) {
    return (static_cast<std::size_t>(input.width) * input.bitCount + 31) / 32 * 4;
}

std::uint64_t RawBytes(const BitmapHeader& input, ZmbvFormat format) {
    const std::uint64_t pixels = static_cast<std::uint64_t>(input.width) * RowCount(input);
    return pixels * static_cast<std::uint64_t>(BytesPerPixel(format)) +
           (format == ZmbvFormat::Palette8 ? kPaletteBytes : 0);
}

}  // namespace

std::optional<ZmbvFormat> FormatFor(const BitmapHeader& input) {
    if (input.size < 40 || input.planes != 1 || input.compression != kBiRgb) return std::nullopt;
    if (input.width <= 0 || input.height == 0 || input.height == INT32_MIN) return std::nullopt;
    std::optional<ZmbvFormat> format;
    switch (input.bitCount) {
        case 32: case 24: format = ZmbvFormat::Bgrx32; break;
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
        case ZmbvFormat::Rgb555: case ZmbvFormat::Rgb565: return 2;
        case ZmbvFormat::Bgr24: return 3;
        case ZmbvFormat::Bgrx32: return 4;
    }
    return 4;
}

std::size_t RawFrameBytes(const BitmapHeader& input) {
    const auto format = FormatFor(input);
    return format ? static_cast<std::size_t>(RawBytes(input, *format)) : 0;
}

std::size_t MaxFrameBytes(const BitmapHeader& input) {
    const auto format = FormatFor(input);
    if (!format) return 0;
    return kKeyFrameHeaderBytes + compressBound(static_cast<uLong>(RawBytes(input, *format)));
}

ZmbvEncoder::ZmbvEncoder(int level) : level_(level) {}

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
    const std::size_t rowBytes = static_cast<std::size_t>(input.width) * BytesPerPixel(format_);
    row_ = std::make_unique<std::uint8_t[]>(std::max(rowBytes, kPaletteBytes));
    begun_ = true;
    return true;
}

void ZmbvEncoder::End() {
    if (stream_) deflateEnd(stream_.get());
    stream_.reset();
    row_.reset();
    begun_ = false;
}

bool ZmbvEncoder::Feed(const std::uint8_t* data, std::size_t size, int flush) {
    stream_->next_in = const_cast<Bytef*>(data);
    stream_->avail_in = static_cast<uInt>(size);
    const int result = deflate(stream_.get(), flush);
    if (flush == Z_FINISH) return result == Z_STREAM_END;
    // Everything handed in must have been taken: a full output buffer means no room.
    return (result == Z_OK || result == Z_BUF_ERROR) && stream_->avail_in == 0;
}

std::optional<std::size_t> ZmbvEncoder::EncodeKeyFrame(const std::uint8_t* pixels, const std::uint8_t* colours,
                                                       std::uint8_t* out, std::size_t capacity) {
    if (!begun_ || capacity < kKeyFrameHeaderBytes) return std::nullopt;
    out[0] = kKeyFrameFlag;
    out[1] = kMajorVersion;
    out[2] = kMinorVersion;
    out[3] = kZlibCompression;
    out[4] = static_cast<std::uint8_t>(format_);
    out[5] = kBlockSize;
    out[6] = kBlockSize;

    // Each key frame is a zlib stream of its own, so any frame can be decoded alone.
    if (deflateReset(stream_.get()) != Z_OK) return std::nullopt;
    stream_->next_out = out + kKeyFrameHeaderBytes;
    stream_->avail_out = static_cast<uInt>(std::min<std::size_t>(capacity - kKeyFrameHeaderBytes, UINT32_MAX));

    if (format_ == ZmbvFormat::Palette8) {
        const std::size_t entries = input_.clrUsed ? input_.clrUsed : kPaletteEntries;
        std::memset(row_.get(), 0, kPaletteBytes);
        for (std::size_t i = 0; i < entries && colours; ++i) {  // RGBQUAD is blue, green, red, unused
            row_[i * 3] = colours[i * 4 + 2];
            row_[i * 3 + 1] = colours[i * 4 + 1];
            row_[i * 3 + 2] = colours[i * 4];
        }
        if (!Feed(row_.get(), kPaletteBytes, Z_NO_FLUSH)) return std::nullopt;
    }

    const std::size_t rows = RowCount(input_);
    const std::size_t stride = Stride(input_);
    const std::size_t width = static_cast<std::size_t>(input_.width);
    const std::size_t outRow = width * BytesPerPixel(format_);
    const bool bottomUp = input_.height > 0;
    // ZMBV rows run top-down without padding; the DIB's rows are fed in that order straight
    // from the caller's buffer, and only 24-bit rows pass through the widening buffer.
    for (std::size_t y = 0; y < rows; ++y) {
        const std::uint8_t* row = pixels + (bottomUp ? rows - 1 - y : y) * stride;
        if (input_.bitCount == 24) {
            std::uint8_t* wide = row_.get();
            for (std::size_t x = 0; x < width; ++x) {
                wide[x * 4] = row[x * 3];
                wide[x * 4 + 1] = row[x * 3 + 1];
                wide[x * 4 + 2] = row[x * 3 + 2];
                wide[x * 4 + 3] = 0xFF;
            }
            row = wide;
        }
        if (!Feed(row, outRow, Z_NO_FLUSH)) return std::nullopt;
    }
    if (!Feed(nullptr, 0, Z_FINISH)) return std::nullopt;
    return kKeyFrameHeaderBytes + stream_->total_out;
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
    return kIcErrOk;
}

std::int32_t ScreenCodec::Compress(const std::uint8_t* pixels, const std::uint8_t* colours, std::uint8_t* out,
                                   std::uint32_t* written) {
    if (!encoder_.Begun()) return kIcErrBadFormat;
    const auto size = encoder_.EncodeKeyFrame(pixels, colours, out, capacity_);
    if (!size) return kIcErrInternal;
    *written = static_cast<std::uint32_t>(*size);
    return kIcErrOk;
}

std::int32_t ScreenCodec::CompressEnd() {
    encoder_.End();
    capacity_ = 0;
    return kIcErrOk;
}

}  // namespace kest::codec
