#include "codec/win32_screen_codec.h"

#include <windows.h>
#include <vfw.h>

#include <cwchar>
#include <iterator>
#include <new>

#include "codec/zmbv.h"

namespace kest::codec::win32 {

static_assert(codec::kIcErrOk == ICERR_OK);
static_assert(codec::kIcErrUnsupported == ICERR_UNSUPPORTED);
static_assert(codec::kIcErrBadFormat == ICERR_BADFORMAT);
static_assert(codec::kIcErrMemory == ICERR_MEMORY);
static_assert(codec::kIcErrInternal == ICERR_INTERNAL);
static_assert(codec::kIcQualityHigh == ICQUALITY_HIGH);
static_assert(codec::kVideoCompressorType == ICTYPE_VIDEO);
static_assert(codec::kBiRgb == BI_RGB);
static_assert(codec::kIcCompressKeyFrame == ICCOMPRESS_KEYFRAME);
static_assert(codec::kAviifKeyFrame == AVIIF_KEYFRAME);
static_assert(codec::kVidcfTemporal == VIDCF_TEMPORAL);
static_assert(codec::kVidcfFastTemporalC == VIDCF_FASTTEMPORALC);

namespace {

ScreenCodecTotals totals;

codec::BitmapHeader Portable(const BITMAPINFOHEADER& h) {
    codec::BitmapHeader p;
    p.size = h.biSize;
    p.width = h.biWidth;
    p.height = h.biHeight;
    p.planes = h.biPlanes;
    p.bitCount = h.biBitCount;
    p.compression = h.biCompression;
    p.sizeImage = h.biSizeImage;
    p.xPelsPerMeter = h.biXPelsPerMeter;
    p.yPelsPerMeter = h.biYPelsPerMeter;
    p.clrUsed = h.biClrUsed;
    p.clrImportant = h.biClrImportant;
    return p;
}

void Store(const codec::BitmapHeader& p, BITMAPINFOHEADER* h) {
    h->biSize = p.size;
    h->biWidth = p.width;
    h->biHeight = p.height;
    h->biPlanes = p.planes;
    h->biBitCount = p.bitCount;
    h->biCompression = p.compression;
    h->biSizeImage = p.sizeImage;
    h->biXPelsPerMeter = p.xPelsPerMeter;
    h->biYPelsPerMeter = p.yPelsPerMeter;
    h->biClrUsed = p.clrUsed;
    h->biClrImportant = p.clrImportant;
}

const BITMAPINFOHEADER* Header(LPARAM value) { return reinterpret_cast<const BITMAPINFOHEADER*>(value); }

LRESULT Info(ICINFO* info, LPARAM size) {
    if (!info) return sizeof(ICINFO);
    if (size < static_cast<LPARAM>(sizeof(ICINFO))) return 0;
    const codec::CodecInfo ours = codec::ScreenCodec::Info();
    *info = ICINFO{};
    info->dwSize = sizeof(ICINFO);
    info->fccType = ours.type;
    info->fccHandler = ours.handler;
    info->dwFlags = ours.flags;
    info->dwVersion = ours.version;
    info->dwVersionICM = ICVERSION;
    // Text travels as UTF-16 on both sides, so the Chinese name needs no conversion.
    wcsncpy(info->szName, reinterpret_cast<const wchar_t*>(ours.name), std::size(info->szName) - 1);
    wcsncpy(info->szDescription, reinterpret_cast<const wchar_t*>(ours.description),
            std::size(info->szDescription) - 1);
    return sizeof(ICINFO);
}

LRESULT Compress(codec::ScreenCodec& codec, ICCOMPRESS* frame) {
    if (!frame || !frame->lpbiInput || !frame->lpbiOutput) return ICERR_BADPARAM;
    LARGE_INTEGER begin, end, rate;
    QueryPerformanceCounter(&begin);
    // An 8-bit input's colour table follows its header.
    const auto* colours = reinterpret_cast<const std::uint8_t*>(frame->lpbiInput) + frame->lpbiInput->biSize;
    std::uint32_t written = 0, flags = 0;
    // No previous frame is taken from the host (lpPrev): the codec keeps its own.
    const std::int32_t status =
        codec.Compress(frame->dwFlags, frame->lFrameNum, static_cast<const std::uint8_t*>(frame->lpInput), colours,
                       static_cast<std::uint8_t*>(frame->lpOutput), &written, &flags);
    if (status != ICERR_OK) return status;
    frame->lpbiOutput->biSizeImage = written;
    if (frame->lpdwFlags) *frame->lpdwFlags = flags;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&rate);
    ++totals.frames;
    if (flags & AVIIF_KEYFRAME) ++totals.keyFrames;
    totals.bytes += written;
    totals.seconds += static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(rate.QuadPart);
    return ICERR_OK;
}

LRESULT Answer(DWORD_PTR id, HDRVR driver, UINT message, LPARAM first, LPARAM second) {
    auto* codec = reinterpret_cast<codec::ScreenCodec*>(id);
    switch (message) {
        case DRV_LOAD:
        case DRV_FREE:
        case DRV_ENABLE:
        case DRV_DISABLE:
        case DRV_INSTALL:
        case DRV_REMOVE: return 1;
        case DRV_OPEN: {
            auto* open = reinterpret_cast<ICOPEN*>(second);
            if (open && open->fccType != ICTYPE_VIDEO) return 0;
            if (open) open->dwError = ICERR_OK;
            return reinterpret_cast<LRESULT>(new codec::ScreenCodec());
        }
        case DRV_CLOSE: delete codec; return 1;
        case DRV_QUERYCONFIGURE: return 0;
        case ICM_GETINFO: return Info(reinterpret_cast<ICINFO*>(first), second);
        case ICM_GETDEFAULTQUALITY:
            if (first) *reinterpret_cast<DWORD*>(first) = codec::ScreenCodec::DefaultQuality();
            return ICERR_OK;
        case ICM_GETDEFAULTKEYFRAMERATE:
            if (first) *reinterpret_cast<DWORD*>(first) = codec::ScreenCodec::DefaultKeyFrameRate();
            return ICERR_OK;
        case ICM_GETSTATE:
        case ICM_SETSTATE: return 0;  // nothing to configure, so no state
        case ICM_CONFIGURE:
        case ICM_ABOUT: return ICERR_UNSUPPORTED;
        case ICM_COMPRESS_FRAMES_INFO: return ICERR_OK;
        case ICM_COMPRESS_QUERY: {
            if (!first) return ICERR_BADFORMAT;
            const codec::BitmapHeader input = Portable(*Header(first));
            if (!second) return codec::ScreenCodec::CompressQuery(input, nullptr);
            const codec::BitmapHeader output = Portable(*Header(second));
            return codec::ScreenCodec::CompressQuery(input, &output);
        }
        case ICM_COMPRESS_GET_FORMAT: {
            if (!first) return ICERR_BADFORMAT;
            const codec::BitmapHeader input = Portable(*Header(first));
            if (!second) return codec::ScreenCodec::CompressFormatSize(input);
            codec::BitmapHeader output;
            const std::int32_t status = codec::ScreenCodec::CompressGetFormat(input, &output);
            if (status == ICERR_OK) Store(output, reinterpret_cast<BITMAPINFOHEADER*>(second));
            return status;
        }
        case ICM_COMPRESS_GET_SIZE:
            return first ? codec::ScreenCodec::CompressGetSize(Portable(*Header(first))) : ICERR_BADFORMAT;
        case ICM_COMPRESS_BEGIN: {
            if (!codec || !first) return ICERR_BADFORMAT;
            const codec::BitmapHeader input = Portable(*Header(first));
            if (!second) return codec->CompressBegin(input, nullptr);
            const codec::BitmapHeader output = Portable(*Header(second));
            return codec->CompressBegin(input, &output);
        }
        case ICM_COMPRESS: return codec ? Compress(*codec, reinterpret_cast<ICCOMPRESS*>(first)) : ICERR_BADHANDLE;
        case ICM_COMPRESS_END: return codec ? codec->CompressEnd() : ICERR_OK;
        // An encoder only: players decode ZMBV themselves.
        case ICM_DECOMPRESS_QUERY:
        case ICM_DECOMPRESS_GET_FORMAT:
        case ICM_DECOMPRESS_BEGIN: return ICERR_BADFORMAT;
        default:
            if (message >= DRV_USER) return ICERR_UNSUPPORTED;
            return DefDriverProc(id, driver, message, first, second);
    }
}

// The library calls in through its own frames, which cannot carry a C++ exception (a frame's
// buffer that cannot be had, a thread the codec cannot start). A failure is answered as the
// message's own failure: 0 for a driver message (an open that opens nothing), an error code for
// a compressor message, so that the library refuses the format or the frame and the recording
// ends as on any write error.
LRESULT CALLBACK DriverProc(DWORD_PTR id, HDRVR driver, UINT message, LPARAM first, LPARAM second) noexcept {
    const bool compressorMessage = message >= DRV_USER;
    try {
        return Answer(id, driver, message, first, second);
    } catch (const std::bad_alloc&) {
        return compressorMessage ? ICERR_MEMORY : 0;
    } catch (...) {
        return compressorMessage ? ICERR_INTERNAL : 0;
    }
}

}  // namespace

bool InstallScreenCodec() {
    // The system refuses a second installation of the same code, so remember the first.
    static const bool installed = ICInstall(ICTYPE_VIDEO, codec::kZmbvFourCC, reinterpret_cast<LPARAM>(&DriverProc),
                                            nullptr, ICINSTALL_FUNCTION) != FALSE;
    return installed;
}

ScreenCodecTotals ScreenCodecWork() { return totals; }

}  // namespace kest::codec::win32
