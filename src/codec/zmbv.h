// The recorder's own lossless screen codec: frames in the ZMBV format (the DOSBox capture
// codec), every one a zlib-compressed key frame, so that ffmpeg, VLC and mpv play the files
// with nothing installed. Portable: the Windows driver procedure only translates messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

struct z_stream_s;

namespace kest::codec {

constexpr std::uint32_t FourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24;
}

inline constexpr std::uint32_t kZmbvFourCC = FourCC('Z', 'M', 'B', 'V');
inline constexpr std::uint32_t kVideoCompressorType = FourCC('v', 'i', 'd', 'c');
inline constexpr std::uint32_t kBiRgb = 0;

// Copies of the Video for Windows codes the codec answers with (checked against the SDK by
// the Windows build).
inline constexpr std::int32_t kIcErrOk = 0;
inline constexpr std::int32_t kIcErrUnsupported = -1;
inline constexpr std::int32_t kIcErrBadFormat = -2;
inline constexpr std::int32_t kIcErrMemory = -3;
inline constexpr std::int32_t kIcErrInternal = -4;
inline constexpr std::int32_t kIcQualityHigh = 10000;

// The fields of a BITMAPINFOHEADER.
struct BitmapHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;  // positive: bottom-up rows
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

// ZMBV's pixel formats, by the number the key frame header carries.
enum class ZmbvFormat : std::uint8_t { Palette8 = 4, Rgb555 = 5, Rgb565 = 6, Bgr24 = 7, Bgrx32 = 8 };

inline constexpr std::size_t kKeyFrameHeaderBytes = 7;
inline constexpr std::size_t kPaletteBytes = 768;  // 256 entries of red, green, blue
inline constexpr std::uint8_t kBlockSize = 16;     // motion block edge; unused by key frames
// Level 1: the frame path's other stages cost about as much as compressing at level 1 does;
// higher levels save bytes but cost capture rate (see bench/capture.sh's level table).
inline constexpr int kDefaultLevel = 1;

// The format a bitmap becomes, or nothing when the codec cannot take it. 24-bit pixels are
// widened to 32 bits: readers leave ZMBV's 24-bit format out by default.
std::optional<ZmbvFormat> FormatFor(const BitmapHeader& input);
int BytesPerPixel(ZmbvFormat format);
// Bytes of one decompressed key frame: the palette (8-bit only) and the rows, unpadded.
std::size_t RawFrameBytes(const BitmapHeader& input);
// The largest frame the codec can emit for this input.
std::size_t MaxFrameBytes(const BitmapHeader& input);

class ZmbvEncoder {
public:
    explicit ZmbvEncoder(int level = kDefaultLevel);
    ~ZmbvEncoder();
    ZmbvEncoder(const ZmbvEncoder&) = delete;
    ZmbvEncoder& operator=(const ZmbvEncoder&) = delete;

    // Prepares for frames of this input; false when it is refused or zlib cannot start.
    bool Begin(const BitmapHeader& input);
    // One key frame from the input's pixel rows (as a DIB stores them) and, for 8-bit input,
    // its colour table (RGBQUADs, clrUsed of them or 256). Nothing on a zlib error or when
    // `capacity` cannot hold the frame.
    std::optional<std::size_t> EncodeKeyFrame(const std::uint8_t* pixels, const std::uint8_t* colours,
                                              std::uint8_t* out, std::size_t capacity);
    void End();
    bool Begun() const { return begun_; }

private:
    bool Feed(const std::uint8_t* data, std::size_t size, int flush);

    int level_;
    std::unique_ptr<z_stream_s> stream_;
    bool begun_ = false;
    BitmapHeader input_;
    ZmbvFormat format_ = ZmbvFormat::Bgrx32;
    std::unique_ptr<std::uint8_t[]> row_;  // one widened row or the palette, reused every frame
};

// What the driver says about itself.
struct CodecInfo {
    std::uint32_t type = kVideoCompressorType;
    std::uint32_t handler = kZmbvFourCC;
    std::uint32_t flags = 0;
    std::uint32_t version = 1;
    const char16_t* name = u"ZMBV";
    const char16_t* description = u"Velvra 无损屏幕编码 (ZMBV)";
};

// One open instance of the compressor, answering the compression messages. Each answer is
// a compressor status (kIcErr*) or, where the message asks for a size, that size.
class ScreenCodec {
public:
    static CodecInfo Info() { return {}; }
    static std::int32_t DefaultQuality() { return kIcQualityHigh; }
    // `output` may be null: any output of ours will do then.
    static std::int32_t CompressQuery(const BitmapHeader& input, const BitmapHeader* output);
    static std::int32_t CompressFormatSize(const BitmapHeader& input);
    static std::int32_t CompressGetFormat(const BitmapHeader& input, BitmapHeader* output);
    static std::int32_t CompressGetSize(const BitmapHeader& input);

    explicit ScreenCodec(int level = kDefaultLevel) : encoder_(level) {}
    std::int32_t CompressBegin(const BitmapHeader& input, const BitmapHeader* output);
    // Writes one key frame into `out` (CompressGetSize bytes) and its size into *written.
    std::int32_t Compress(const std::uint8_t* pixels, const std::uint8_t* colours, std::uint8_t* out,
                          std::uint32_t* written);
    std::int32_t CompressEnd();

private:
    ZmbvEncoder encoder_;
    std::size_t capacity_ = 0;
};

}  // namespace kest::codec
