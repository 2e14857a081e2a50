// The recorder's own lossless screen codec: frames in the ZMBV format (the DOSBox capture
// codec), which ffmpeg, VLC and mpv play with nothing installed. A key frame holds the whole
// picture; the frames after it hold only the blocks that changed, each as a motion vector into
// the previous frame and the XOR of what still differs, all in one zlib stream that starts
// afresh at every key frame. Portable: the Windows driver procedure only translates messages.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <optional>
#include <vector>

#include "platform/dib.h"
#include "platform/little_endian.h"

struct z_stream_s;

namespace kest::codec {

using platform::FourCC;
inline constexpr std::uint32_t kZmbvFourCC = FourCC("ZMBV");
inline constexpr std::uint32_t kVideoCompressorType = FourCC("vidc");
using platform::kBiRgb;

// Copies of the Video for Windows codes the codec answers with (checked against the SDK by
// the Windows build).
inline constexpr std::int32_t kIcErrOk = 0;
inline constexpr std::int32_t kIcErrUnsupported = -1;
inline constexpr std::int32_t kIcErrBadFormat = -2;
inline constexpr std::int32_t kIcErrMemory = -3;
inline constexpr std::int32_t kIcErrInternal = -4;
inline constexpr std::int32_t kIcQualityHigh = 10000;
inline constexpr std::uint32_t kIcCompressKeyFrame = 0x00000001;  // ICCOMPRESS_KEYFRAME
inline constexpr std::uint32_t kAviifKeyFrame = 0x00000010;       // AVIIF_KEYFRAME
inline constexpr std::uint32_t kVidcfTemporal = 0x0004;           // VIDCF_TEMPORAL
inline constexpr std::uint32_t kVidcfFastTemporalC = 0x0020;      // VIDCF_FASTTEMPORALC

// The fields of a BITMAPINFOHEADER, as the bitmap files and the picture boxes have them.
using BitmapHeader = platform::DibHeader;

// ZMBV's pixel formats, by the number the key frame header carries.
enum class ZmbvFormat : std::uint8_t { Palette8 = 4, Rgb555 = 5, Rgb565 = 6, Bgr24 = 7, Bgrx32 = 8 };

inline constexpr std::size_t kKeyFrameHeaderBytes = 7;
inline constexpr std::size_t kPaletteBytes = 768;  // 256 entries of red, green, blue
// Blocks of 16 by 16 pixels: a still frame's vector table stays near 16 kB at full HD, and a
// typed character dirties one or two blocks (see bench/capture.sh's block-size table).
inline constexpr int kDefaultBlockSize = 16;
// Level 1 for the frames after a key frame: they cost about the same at every level, and a
// screen that changes everywhere at once is coded at key-frame speed.
inline constexpr int kDefaultLevel = 1;
// Level 3 for key frames. A key frame that takes longer than a slot and a half costs the slots
// after it their own pictures, and level 6 took far longer: on a full-HD desktop with a gradient
// wallpaper zlib took 74 ms for 1094 kB at level 3 against 253 ms for 744 kB at level 6 (a page
// of text: 32 ms for 217 kB against 80 for 152), and 4K has four times the pixels. The price is
// paid on a still desktop, where key frames are most of the file: 5.6 against 3.5 MB a minute
// on that desktop at 10 frames a second.
inline constexpr int kDefaultKeyFrameLevel = 3;
// Without a key-frame setting from the host, a key frame at least this often, so that players
// can seek: ten seconds of playback at the recorder's 10 frames a second.
inline constexpr std::int32_t kDefaultKeyFrameRate = 100;
// How far a block may be taken from in the previous frame: the vector's 7 bits.
inline constexpr int kMaxMotion = 63;

// The format a bitmap becomes, or nothing when the codec cannot take it. 24-bit pixels are
// widened to 32 bits: readers leave ZMBV's 24-bit format out by default.
std::optional<ZmbvFormat> FormatFor(const BitmapHeader& input);
int BytesPerPixel(ZmbvFormat format);
// Bytes of one decompressed key frame: the palette (8-bit only) and the rows, unpadded.
std::size_t RawFrameBytes(const BitmapHeader& input);
// The largest frame, key or not, the codec can emit for this input.
std::size_t MaxFrameBytes(const BitmapHeader& input, int blockSize = kDefaultBlockSize);

// A second thread that takes one job at a time, for the passes over a large frame that split
// in two: the recorder's own thread does the other half meanwhile.
class Helper {
public:
    Helper();
    ~Helper();
    Helper(const Helper&) = delete;
    Helper& operator=(const Helper&) = delete;
    void Start(std::function<void()> job);
    void Wait();

private:
    void Run();
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool busy_ = false, quit_ = false;
    std::thread thread_;
};

struct EncodedFrame {
    std::size_t size = 0;
    bool key = false;
};

class ZmbvEncoder {
public:
    explicit ZmbvEncoder(int level = kDefaultLevel, int blockSize = kDefaultBlockSize,
                         int keyFrameLevel = kDefaultKeyFrameLevel);
    ~ZmbvEncoder();
    ZmbvEncoder(const ZmbvEncoder&) = delete;
    ZmbvEncoder& operator=(const ZmbvEncoder&) = delete;

    // Prepares for frames of this input; false when it is refused or zlib cannot start.
    bool Begin(const BitmapHeader& input);
    // One frame from the input's pixel rows (as a DIB stores them) and, for 8-bit input, its
    // colour table (RGBQUADs, clrUsed of them or 256): a key frame when `key` asks for one or
    // no frame came before, otherwise what changed since the previous frame. Nothing on a zlib
    // error or when `capacity` cannot hold the frame; the next frame is a key frame then.
    std::optional<EncodedFrame> Encode(const std::uint8_t* pixels, const std::uint8_t* colours, bool key,
                                       std::uint8_t* out, std::size_t capacity);
    void End();
    bool Begun() const { return begun_; }

private:
    struct Vector {
        int dx = 0, dy = 0;
        friend bool operator==(const Vector&, const Vector&) = default;
    };
    struct Block {
        int x, y, width, height;  // in pixels
    };

    const std::uint8_t* CurrentRow(const std::uint8_t* pixels, int y) const;
    void TakePalette(const std::uint8_t* colours, std::uint8_t* palette) const;
    bool Deflate(const std::uint8_t* data, std::size_t size, int flush);
    std::optional<std::size_t> EncodeKey(const std::uint8_t* pixels, std::uint8_t* out, std::size_t capacity);
    std::optional<std::size_t> EncodeInter(const std::uint8_t* pixels, std::uint8_t* payload, std::uint8_t* out,
                                           std::size_t capacity);
    void MarkChangedBlocks(const std::uint8_t* pixels);
    void MarkChangedBlocks(const std::uint8_t* pixels, int firstBlockRow, int endBlockRow);
    bool Matches(const std::uint8_t* pixels, const Block& block, Vector v) const;
    Vector ChooseVector(const std::uint8_t* pixels, const Block& block, Vector above, bool* exact);
    int SearchScroll(const std::uint8_t* pixels, const Block& block, int* matchingRows);
    const std::uint64_t* ReferenceColumnHashes(int column);
    std::uint8_t* AppendXor(const std::uint8_t* pixels, const Block& block, Vector v, std::uint8_t* to) const;
    void UpdateReference(const std::uint8_t* pixels, const Block& block);

    int level_;
    int keyFrameLevel_;
    int blockSize_;
    std::unique_ptr<z_stream_s> stream_;
    bool begun_ = false;
    bool haveReference_ = false;
    BitmapHeader input_;
    ZmbvFormat format_ = ZmbvFormat::Bgrx32;
    int width_ = 0, height_ = 0, bytesPerPixel_ = 4;
    std::size_t rowBytes_ = 0;
    int blocksAcross_ = 0, blocksDown_ = 0;
    std::vector<std::uint8_t> reference_;      // the previous frame, top-down, unpadded
    std::vector<std::uint8_t> palette_;        // the previous frame's palette (8-bit only)
    std::vector<std::uint8_t> widened_;        // a 24-bit input as 32-bit rows
    std::vector<std::uint8_t> payload_;        // an inter frame before zlib: vectors, then XORs
    std::vector<std::uint8_t> changed_;        // per block of the frame being coded
    std::vector<Vector> vectors_;              // per block of the frame being coded
    std::vector<std::uint64_t> columnHashes_;  // per block column: a hash of each row's part
    std::vector<std::uint32_t> hashedFor_;     // per block column: the frame they were made for
    std::uint32_t frameNumber_ = 0;
    Vector lastMotion_;               // the last vector that matched a block exactly
    std::unique_ptr<Helper> helper_;  // for frames large enough to be worth it
};

// What the driver says about itself.
struct CodecInfo {
    std::uint32_t type = kVideoCompressorType;
    std::uint32_t handler = kZmbvFourCC;
    std::uint32_t flags = kVidcfTemporal | kVidcfFastTemporalC;
    std::uint32_t version = 2;
    const char16_t* name = u"ZMBV";
    const char16_t* description = u"Velvra 无损屏幕编码 (ZMBV)";
};

// One open instance of the compressor, answering the compression messages. Each answer is
// a compressor status (kIcErr*) or, where the message asks for a size, that size.
// It keeps the previous frame itself (it says so with VIDCF_FASTTEMPORALC), so the host needs
// neither a decompressor nor a copy of the last frame to get inter frames.
class ScreenCodec {
public:
    static CodecInfo Info() { return {}; }
    static std::int32_t DefaultQuality() { return kIcQualityHigh; }
    static std::int32_t DefaultKeyFrameRate() { return kDefaultKeyFrameRate; }
    // `output` may be null: any output of ours will do then.
    static std::int32_t CompressQuery(const BitmapHeader& input, const BitmapHeader* output);
    static std::int32_t CompressFormatSize(const BitmapHeader& input);
    static std::int32_t CompressGetFormat(const BitmapHeader& input, BitmapHeader* output);
    static std::int32_t CompressGetSize(const BitmapHeader& input);

    explicit ScreenCodec(int level = kDefaultLevel) : encoder_(level) {}
    std::int32_t CompressBegin(const BitmapHeader& input, const BitmapHeader* output);
    // Writes frame `frameNumber` into `out` (CompressGetSize bytes): a key frame when `flags`
    // asks for one (kIcCompressKeyFrame) or the frame does not come after the last one coded. Its
    // size goes to *written and kAviifKeyFrame or 0 to *frameFlags.
    std::int32_t Compress(std::uint32_t flags, std::int32_t frameNumber, const std::uint8_t* pixels,
                          const std::uint8_t* colours, std::uint8_t* out, std::uint32_t* written,
                          std::uint32_t* frameFlags);
    std::int32_t CompressEnd();

private:
    ZmbvEncoder encoder_;
    std::size_t capacity_ = 0;
    struct Coded {
        std::int32_t frame;
        const std::uint8_t* out;
        std::size_t size;
        bool key;
    };
    std::optional<Coded> last_;
};

}  // namespace kest::codec
