// Two frame files through the writer into our codec, as a recording's first two frames: the
// recording opens on the first file, which fixes the stream's format, and then writes both,
// with the slots a late tick missed held between them.
// Input: the first file's length (u32), the slots held (u8, up to 3), the first file, the second
// file (the rest; none when empty).
#include "codec/zmbv.h"
#include "fake/fake_platform.h"
#include "fuzz_input.h"
#include "recorder/engine/avi_header.h"
#include "recorder/engine/avidecs.h"

namespace {

using namespace kest;
using platform::Handle;
using platform::Status;

constexpr Status kAviErrBadFormat = static_cast<Status>(0x80044066);   // AVIERR_BADFORMAT
constexpr Status kAviErrCompressor = static_cast<Status>(0x80044070);  // AVIERR_COMPRESSOR
constexpr std::int32_t kFramesPerSecond = 10;
constexpr int kMostSlotsHeld = 3;

// The library's compressing stream as Wine has it: the format set on it is the compressor's
// input for every frame, and each frame's block goes to the compressor without its length.
// The blocks are copied to allocations of exactly their size, so that the codec reading past
// what it was given is caught.
class CompressingAvi : public fake::FakeAvi {
public:
    using FakeAvi::FakeAvi;

    Status StreamSetFormat(Handle stream, std::int32_t position, const void* format, std::int32_t size) override {
        if (stream != kCompressed) return FakeAvi::StreamSetFormat(stream, position, format, size);
        if (size < platform::kDibHeaderBytes) return kAviErrBadFormat;
        const auto* bytes = static_cast<const std::uint8_t*>(format);
        input_.assign(bytes, bytes + size);
        header_ = platform::ReadDibHeader(input_.data());
        codec::BitmapHeader output;
        if (codec::ScreenCodec::CompressGetFormat(header_, &output) != codec::kIcErrOk ||
            codec_.CompressBegin(header_, &output) != codec::kIcErrOk) {
            return kAviErrBadFormat;
        }
        out_.assign(static_cast<std::size_t>(codec::ScreenCodec::CompressGetSize(header_)), 0);
        // The file's stream keeps the compressor's output format; the writer reads it back for
        // the headers it keeps on disk.
        const auto stored = fuzz::DibHeaderBytes(output);
        return FakeAvi::StreamSetFormat(kStream, position, stored.data(), static_cast<std::int32_t>(stored.size()));
    }

    Status StreamWrite(Handle stream, std::int32_t start, std::int32_t samples, const void* data, std::int32_t size,
                       std::uint32_t flags, std::int32_t* samplesWritten, std::int32_t* bytesWritten) override {
        if (stream != kCompressed || out_.empty()) {
            return FakeAvi::StreamWrite(stream, start, samples, data, size, flags, samplesWritten, bytesWritten);
        }
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        const std::vector<std::uint8_t> frame(bytes, bytes + std::max(size, 0));
        const bool key =
            framesCoded_ == 0 || start % static_cast<std::int32_t>(std::max(compressedWith.dwKeyFrameEvery, 1u)) == 0;
        // An 8-bit input's colour table follows its header, as the driver finds it.
        const std::uint8_t* colours = input_.data() + std::min<std::size_t>(header_.size, input_.size());
        std::uint32_t written = 0, frameFlags = 0;
        if (codec_.Compress(key ? codec::kIcCompressKeyFrame : 0, start, frame.data(), colours, out_.data(), &written,
                            &frameFlags) != codec::kIcErrOk) {
            return kAviErrCompressor;
        }
        ++framesCoded_;
        return FakeAvi::StreamWrite(kStream, start, samples, out_.data(), static_cast<std::int32_t>(written),
                                    frameFlags, samplesWritten, bytesWritten);
    }

private:
    codec::ScreenCodec codec_;
    std::vector<std::uint8_t> input_;  // the format as it was set: header and colour table
    codec::BitmapHeader header_;
    std::vector<std::uint8_t> out_;
    int framesCoded_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    const auto firstLength = in.Take<std::uint32_t>();
    const int held = in.Take<std::uint8_t>() % (kMostSlotsHeld + 1);
    const std::vector<std::uint8_t> firstFile = in.TakeBytes(std::min<std::size_t>(firstLength, in.Left()));
    const std::vector<std::uint8_t> secondFile = in.Rest();

    fake::FakePlatform fake;
    CompressingAvi avi(fake);
    avi.script.chosenHandler = codec::kZmbvFourCC;
    avi.script.keepWrittenData = false;
    // Frames land where the library puts them, so that the writer keeps its headers on disk.
    avi.script.firstChunkAt = recorder::FirstChunkOffset(platform::kDibHeaderBytes);
    platform::Platform platform{avi,          fake.files, fake.desktop, fake.toolkit,
                                fake.windows, fake.hooks, fake.dialogs, fake.sound};

    const platform::Text first = u"C:\\Temp\\frame1.bmp", second = u"C:\\Temp\\frame2.bmp";
    fake.files.contents[first] = firstFile;
    if (!secondFile.empty()) fake.files.contents[second] = secondFile;
    recorder::AVIDecs writer(platform);
    if (!writer.OpenAviOutput(0, first, u"C:\\rec\\movie.avi", kFramesPerSecond)) return 0;
    writer.WriteAviFrame(0, first);
    for (int slot = 1; slot <= held; ++slot) writer.HoldAviFrame(slot);
    writer.WriteAviFrame(held + 1, second);
    writer.CloseAviOutput();
    return 0;
}
