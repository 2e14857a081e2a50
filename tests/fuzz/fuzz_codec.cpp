// The codec as a host drives it: its answers about a format, then a key frame and the frame
// after it. A host gives exactly the bytes the agreed format describes, so this does too.
// Input: a BITMAPINFOHEADER (40 bytes), the first frame's number (i32), the step to the second
// frame's number (i8), options (u8: 1 = the second frame asks for a key frame, 2 = no colour
// table), an 8-bit format's colour table (clrUsed or 256 entries), then pixels: the first half
// repeated fills the first frame, the second half the second.
#include "codec/zmbv.h"
#include "fuzz_input.h"

namespace {

using namespace kest;
using codec::ScreenCodec;
using fuzz::Require;

constexpr std::uint8_t kSecondIsKey = 1;
constexpr std::uint8_t kNoColourTable = 2;
// Frames up to this size are coded in milliseconds and still hold blocks enough in both
// directions for the motion search's whole reach. The comparison on two threads, from 4 MiB on,
// would cost seconds a run; the unit tests have it. Every header is asked the format answers.
constexpr std::size_t kLargestFrameBytes = 128 << 10;

std::vector<std::uint8_t> Filled(const std::uint8_t* pattern, std::size_t patternBytes, std::size_t size) {
    std::vector<std::uint8_t> frame(size, 0);
    for (std::size_t i = 0; patternBytes != 0 && i < size; ++i) frame[i] = pattern[i % patternBytes];
    return frame;
}

// The answers about a format agree with one another; true when the codec takes it.
bool CheckFormatAnswers(const codec::BitmapHeader& input, codec::BitmapHeader* output) {
    const auto format = codec::FormatFor(input);
    Require((codec::RawFrameBytes(input) != 0) == format.has_value(), "a raw frame size exactly for a taken format");
    Require((codec::MaxFrameBytes(input) != 0) == format.has_value(), "a largest frame exactly for a taken format");
    const std::int32_t query = ScreenCodec::CompressQuery(input, nullptr);
    const std::int32_t formatSize = ScreenCodec::CompressFormatSize(input);
    const std::int32_t getFormat = ScreenCodec::CompressGetFormat(input, output);
    const std::int32_t getSize = ScreenCodec::CompressGetSize(input);
    if (!format) {
        Require(query == codec::kIcErrBadFormat && formatSize == codec::kIcErrBadFormat &&
                    getFormat == codec::kIcErrBadFormat && getSize == codec::kIcErrBadFormat,
                "a refused format is refused by every message");
        return false;
    }
    Require(query == codec::kIcErrOk && formatSize == platform::kDibHeaderBytes && getFormat == codec::kIcErrOk,
            "a taken format is taken by every message");
    Require(ScreenCodec::CompressQuery(input, output) == codec::kIcErrOk, "the codec takes its own output format");
    Require(getSize > 0 && static_cast<std::size_t>(getSize) == codec::MaxFrameBytes(input) &&
                output->sizeImage == static_cast<std::uint32_t>(getSize),
            "one largest frame size in every answer");
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const auto headerBytes = in.TakeBytes(platform::kDibHeaderBytes);
    const codec::BitmapHeader input = platform::ReadDibHeader(headerBytes.data());
    const auto firstNumber = in.Take<std::int32_t>();
    const auto step = in.Take<std::int8_t>();
    const auto options = in.Take<std::uint8_t>();

    codec::BitmapHeader output;
    if (!CheckFormatAnswers(input, &output)) return 0;
    // What a frame of this format is as a DIB holds it: rows padded to four bytes.
    const std::int64_t rows = input.height < 0 ? -static_cast<std::int64_t>(input.height) : input.height;
    const auto frameBytes = static_cast<std::size_t>(platform::DibStride(input.width, input.bitCount) * rows);
    if (std::max(frameBytes, codec::RawFrameBytes(input)) > kLargestFrameBytes) return 0;

    std::vector<std::uint8_t> colours;
    if (input.bitCount == 8 && !(options & kNoColourTable))
        colours = in.TakeBytes((input.clrUsed ? input.clrUsed : 256) * 4);
    const std::vector<std::uint8_t> pixels = in.Rest();
    const std::size_t half = pixels.size() / 2;
    const auto first = Filled(pixels.data(), half, frameBytes);
    const auto second = Filled(pixels.data() + half, pixels.size() - half, frameBytes);

    ScreenCodec codec;
    Require(codec.CompressBegin(input, &output) == codec::kIcErrOk, "a taken format begins");
    std::vector<std::uint8_t> out(output.sizeImage);
    const std::uint8_t* table = colours.empty() ? nullptr : colours.data();
    std::uint32_t written = 0, flags = 0;
    Require(codec.Compress(codec::kIcCompressKeyFrame, firstNumber, first.data(), table, out.data(), &written,
                           &flags) == codec::kIcErrOk,
            "a key frame fits in the largest frame");
    Require(flags == codec::kAviifKeyFrame && written > codec::kKeyFrameHeaderBytes && written <= out.size(),
            "a key frame is flagged and within its buffer");

    // The step wraps at 32 bits, so that the codec meets numbers going back, repeated, skipped
    // and past the last one.
    const auto secondNumber =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(firstNumber) + static_cast<std::uint32_t>(step));
    const bool askKey = (options & kSecondIsKey) != 0;
    Require(codec.Compress(askKey ? codec::kIcCompressKeyFrame : 0, secondNumber, second.data(), table, out.data(),
                           &written, &flags) == codec::kIcErrOk,
            "the next frame fits in the largest frame");
    const bool after = secondNumber > firstNumber;
    Require(flags == ((askKey || !after) ? codec::kAviifKeyFrame : 0u),
            "a key frame exactly when asked for or when the frame does not come after the last");
    Require(written > 0 && written <= out.size(), "the next frame is within its buffer");
    return 0;
}
