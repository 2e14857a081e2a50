// Writes the checked-in corpus: for each target one input that the recorder meets in a normal
// recording, and the inputs that once crashed it, each named for what it holds.
// Usage: fuzz_make_corpus DIR (DIR/<target>/<case> are written over).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "codec/zmbv.h"
#include "fake/fake_platform.h"
#include "fuzz_input.h"
#include "platform/little_endian.h"
#include "recorder/engine/avi_header.h"

namespace {

using namespace kest;
using Bytes = std::vector<std::uint8_t>;
using fuzz::FuzzOutput;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::size_t kBmpWidthAt = 18, kBmpHeightAt = 22, kBmpSizeImageAt = 34, kBmpOffBitsAt = 10;
constexpr std::size_t kBmpClrUsedAt = 46, kBmpInfoEnd = 54;

// A frame with something to find: stripes that a scroll of `scroll` rows moves.
Bytes Frame(std::int32_t width, std::int32_t height, std::int32_t bitCount, int scroll = 0) {
    Bytes bmp = fake::MakeBmp(width, height, bitCount);
    const auto stride = static_cast<std::size_t>(platform::DibStride(width, bitCount));
    const std::size_t offset = bmp.size() - stride * static_cast<std::size_t>(height);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        for (std::size_t x = 0; x < stride; ++x) {
            bmp[offset + y * stride + x] =
                static_cast<std::uint8_t>((y + static_cast<std::size_t>(scroll)) * 11 + x / 3);
        }
    }
    return bmp;
}

// The image size field says half of what the pixels need, and the file ends there.
Bytes ShortImageSize(Bytes bmp) {
    const std::size_t pixels = bmp.size() - kBmpInfoEnd;
    platform::WriteLE32(bmp, kBmpSizeImageAt, static_cast<std::uint32_t>(pixels / 2));
    bmp.resize(kBmpInfoEnd + pixels / 2);
    return bmp;
}

// An 8-bit file of MakeBmp's whose 256 grey entries are taken out.
Bytes WithoutColourTable(Bytes bmp) {
    constexpr std::ptrdiff_t kTableBytes = 256 * 4;
    bmp.erase(bmp.begin() + kBmpInfoEnd, bmp.begin() + kBmpInfoEnd + kTableBytes);
    platform::WriteLE32(bmp, kBmpOffBitsAt, kBmpInfoEnd);
    platform::WriteLE32(bmp, kBmpClrUsedAt, 0);
    return bmp;
}

Bytes TwoFrames(const Bytes& first, const Bytes& second, std::uint8_t slotsHeld = 0) {
    return FuzzOutput()
        .Put(static_cast<std::uint32_t>(first.size()))
        .Put(slotsHeld)
        .PutBytes(first)
        .PutBytes(second)
        .Bytes();
}

Bytes HeaderBytes(std::int32_t width, std::int32_t height, std::uint16_t bitCount, std::uint32_t compression = 0) {
    platform::DibHeader header;
    header.width = width;
    header.height = height;
    header.bitCount = bitCount;
    header.compression = compression;
    return fuzz::DibHeaderBytes(header);
}

Bytes CodecCase(std::uint16_t bitCount, std::int32_t frameNumber, const Bytes& colours) {
    Bytes pixels(2 * 40 * 24, 0);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 5 / 3);
    return FuzzOutput()
        .PutBytes(HeaderBytes(40, 24, bitCount))
        .Put(frameNumber)
        .Put(std::int8_t{1})
        .Put(std::uint8_t{0})
        .PutBytes(colours)
        .PutBytes(pixels)
        .Bytes();
}

// The stream the writer makes for a recording of 40 by 24 pixels with our codec, three frames in.
platform::AviStreamInfo RecordingStream() {
    platform::AviStreamInfo stream;
    stream.fccType = codec::FourCC("vids");
    stream.fccHandler = codec::kZmbvFourCC;
    stream.dwScale = 1;
    stream.dwRate = 10;
    stream.dwLength = 3;
    stream.dwSuggestedBufferSize = 40 * 24 * 4;
    stream.dwQuality = static_cast<std::uint32_t>(-1);
    stream.rcFrame = {0, 0, 40, 24};
    return stream;
}

Bytes InterimCase(const platform::AviStreamInfo& s, std::uint32_t framesEnd, const Bytes& format) {
    FuzzOutput out;
    out.Put(std::uint8_t{0}).Put(s.fccType).Put(s.fccHandler).Put(s.dwFlags).Put(s.dwCaps).Put(s.wPriority);
    out.Put(s.wLanguage).Put(s.dwScale).Put(s.dwRate).Put(s.dwStart).Put(s.dwLength).Put(s.dwInitialFrames);
    out.Put(s.dwSuggestedBufferSize).Put(s.dwQuality).Put(s.dwSampleSize);
    out.Put(s.rcFrame.left).Put(s.rcFrame.top).Put(s.rcFrame.right).Put(s.rcFrame.bottom);
    return out.Put(static_cast<std::uint16_t>(s.szName[0])).Put(framesEnd).PutBytes(format).Bytes();
}

// A file as Wine's library finishes it: a hundred times the time per frame, no handler in the
// stream header, and 20 zero bytes past the RIFF.
Bytes FinishedFileCase() {
    platform::AviStreamInfo stream = RecordingStream();
    stream.fccHandler = 0;
    const Bytes format = HeaderBytes(40, 24, 32, codec::kZmbvFourCC);
    const std::int64_t firstChunk = recorder::FirstChunkOffset(static_cast<std::int64_t>(format.size()));
    const Bytes chunk = FuzzOutput().PutBytes({'0', '0', 'd', 'c'}).Put(std::uint32_t{8}).Put(std::uint64_t{0}).Bytes();
    const std::int64_t framesEnd = firstChunk + 3 * static_cast<std::int64_t>(chunk.size());
    Bytes file = recorder::InterimAviHeader(stream, format, framesEnd);
    constexpr std::size_t kMicroSecPerFrameAt = 32;  // RIFF, LIST hdrl and the avih chunk header before it
    platform::WriteLE32(file, kMicroSecPerFrameAt, 100 * 100000);
    for (int i = 0; i < 3; ++i) file.insert(file.end(), chunk.begin(), chunk.end());
    file.resize(file.size() + 20, 0);
    const std::uint32_t microSecPerFrame = 100000;
    return FuzzOutput().Put(std::uint8_t{1}).Put(microSecPerFrame).Put(codec::kZmbvFourCC).PutBytes(file).Bytes();
}

Bytes SizeLimitsCase(std::int32_t widthTwips, std::int32_t heightTwips, const platform::Rect& taskbar) {
    return FuzzOutput()
        .Put(widthTwips)
        .Put(heightTwips)
        .Put(taskbar.left)
        .Put(taskbar.top)
        .Put(taskbar.right)
        .Put(taskbar.bottom)
        .Bytes();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const auto write = [&root](const char* target, const char* name, const Bytes& bytes) {
        std::filesystem::create_directories(root / target);
        std::ofstream(root / target / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };

    write("fuzz_cdib", "valid_32bit_frame.bmp", Frame(20, 12, 32));
    Bytes huge = fake::MakeBmp(2, 2, 32);
    platform::WriteLE32(huge, kBmpWidthAt, kInt32Max);
    platform::WriteLE32(huge, kBmpHeightAt, kInt32Max);
    platform::WriteLE32(huge, kBmpSizeImageAt, 0);
    write("fuzz_cdib", "finding4_zero_image_size_huge_dimensions.bmp", huge);

    write("fuzz_writer_codec", "valid_two_32bit_frames_two_slots_apart",
          TwoFrames(Frame(40, 24, 32), Frame(40, 24, 32, 3), 1));
    write("fuzz_writer_codec", "valid_two_8bit_frames_with_colour_table",
          TwoFrames(Frame(40, 24, 8), Frame(40, 24, 8, 3)));
    for (const std::int32_t bitCount : {32, 24}) {
        const Bytes frame = ShortImageSize(Frame(40, 24, bitCount));
        write("fuzz_writer_codec", ("finding1_short_image_size_" + std::to_string(bitCount) + "bit").c_str(),
              TwoFrames(frame, frame));
    }
    write("fuzz_writer_codec", "finding2_later_frame_smaller_32_then_16bit",
          TwoFrames(Frame(40, 24, 32), Frame(40, 24, 16)));
    const Bytes bare = WithoutColourTable(Frame(40, 24, 8));
    write("fuzz_writer_codec", "finding3_8bit_without_colour_table", TwoFrames(bare, bare));

    write("fuzz_codec", "valid_32bit_key_and_inter", CodecCase(32, 5, {}));
    write("fuzz_codec", "valid_8bit_with_colour_table", CodecCase(8, 5, Bytes(256 * 4, 0x40)));
    write("fuzz_codec", "finding5_frame_number_int32_max", CodecCase(32, kInt32Max, {}));

    const Bytes zmbvFormat = HeaderBytes(40, 24, 32, codec::kZmbvFourCC);
    write("fuzz_headers", "valid_interim_header", InterimCase(RecordingStream(), 4096, zmbvFormat));
    platform::AviStreamInfo wide = RecordingStream();
    wide.rcFrame = {-2, 0, kInt32Max, 24};
    write("fuzz_headers", "finding6_frame_rect_wider_than_2_31", InterimCase(wide, 4096, zmbvFormat));
    write("fuzz_headers", "valid_finished_file_to_mend", FinishedFileCase());

    write("fuzz_size_limits", "valid_full_hd_taskbar_below", SizeLimitsCase(28800, 16200, {0, 1040, 1920, 1080}));
    write("fuzz_size_limits", "finding7_taskbar_beyond_limits",
          SizeLimitsCase(28800, 16200, {0, kInt32Min, 1920, kInt32Max}));
    return 0;
}
