#include "recorder/engine/cdib.h"

#include <cstring>
#include <limits>

#include "platform/little_endian.h"
#include "recorder/engine/app_title.h"

namespace kest::recorder {

namespace {

using platform::kBiBitfields;
using platform::kBiRgb;
using platform::ReadLE16;
using platform::ReadLE32;
using platform::WriteLE16;
using platform::WriteLE32;
const platform::Text kLineBreak = u"\r\n";

}  // namespace

std::int64_t UncompressedImageSize(std::int32_t width, std::int32_t height, std::int32_t bitCount) {
    switch (bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32: break;
        default: return -1;
    }
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) return -1;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::int64_t stride = platform::DibStride(width, bitCount);
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    // Checked before multiplying: both may come from a file, and their product can pass 64 bits.
    if (stride > kMax / rows) return -1;
    return stride * rows;
}

namespace {

// The colour table an uncompressed bitmap needs after its info header, in bytes: its palette
// up to 8 bits a pixel, the three colour masks of a 40-byte header with bit fields; -1 for a
// palette larger than its pixels can index.
std::int64_t ColourTableBytes(const platform::DibHeader& header) {
    const std::int32_t bits = static_cast<std::int16_t>(header.bitCount);
    if (bits > 0 && bits <= 8) {
        const std::int64_t most = std::int64_t{1} << bits;
        if (header.clrUsed > most) return -1;
        return 4 * (header.clrUsed != 0 ? std::int64_t{header.clrUsed} : most);
    }
    const bool masksFollow = header.compression == kBiBitfields && header.size == platform::kDibHeaderBytes;
    return masksFollow ? 12 : 0;
}

}  // namespace

cDIB::cDIB(platform::FileSystem& files, platform::Toolkit& toolkit) : files_(files), toolkit_(toolkit) {}

cDIB::FileHeader cDIB::ParseFileHeader(const std::uint8_t* b) {
    FileHeader h;
    h.type = static_cast<std::int16_t>(ReadLE16(b));
    h.size = ReadLE32(b + 2);
    h.reserved1 = ReadLE16(b + 6);
    h.reserved2 = ReadLE16(b + 8);
    h.offBits = ReadLE32(b + 10);
    return h;
}

void cDIB::StoreFileHeader(const FileHeader& h, std::uint8_t* b) {
    WriteLE16(b, static_cast<std::uint16_t>(h.type));
    WriteLE32(b + 2, h.size);
    WriteLE16(b + 6, h.reserved1);
    WriteLE16(b + 8, h.reserved2);
    WriteLE32(b + 10, h.offBits);
}

bool cDIB::FileExists(const platform::Text& path, std::int64_t* length) {
    const auto known = files_.Length(path);
    if (known) *length = *known;
    return known.has_value();
}

void cDIB::Tell(const platform::Text& text, platform::MsgBoxIcon icon) {
    if (tellsUser_) toolkit_.MsgBox(text, platform::MsgBoxButtons::Ok, icon, kAppTitle);
}

void cDIB::RefuseFormat(const platform::Text& path) {
    Tell(u"File is not a supported bitmap format:" + kLineBreak + path, platform::MsgBoxIcon::Information);
}

bool cDIB::CreateFromFile(const platform::Text& filename) {
    std::int64_t length = 0;
    if (!FileExists(filename, &length)) {
        Tell(u"File does not exist:" + kLineBreak + filename, platform::MsgBoxIcon::Critical);
        return false;
    }
    platform::OpenResult opened = files_.OpenForReading(filename);
    if (!opened.file) {
        if (opened.error == platform::OpenError::PermissionDenied) {
            Tell(u"File is locked - cannot access:" + kLineBreak + filename, platform::MsgBoxIcon::Critical);
        } else {
            Tell(opened.description, platform::MsgBoxIcon::Information);
        }
        return false;
    }
    platform::BinaryFile& file = *opened.file;

    std::uint8_t fileBytes[kFileHeaderSize] = {};
    if (!file.ReadAt(0, fileBytes, sizeof fileBytes)) {
        RefuseFormat(filename);
        return false;
    }
    const FileHeader fileHeader = ParseFileHeader(fileBytes);
    if (fileHeader.type != kBmType) {
        file_ = fileHeader;  // a refused type has already replaced the file header fields
        RefuseFormat(filename);
        return false;
    }

    // Everything below comes from the file and is checked against the file's real length
    // before anything is allocated or read, so a damaged or hostile header cannot make us
    // read past the end or allocate more than the file holds.
    std::uint8_t infoBytes[kInfoHeaderSize] = {};
    if (!file.ReadAt(kFileHeaderSize, infoBytes, sizeof infoBytes)) {
        RefuseFormat(filename);
        return false;
    }
    platform::DibHeader infoHeader = platform::ReadDibHeader(infoBytes);
    const std::int64_t bitOffset = fileHeader.offBits;
    std::int64_t imageSize = static_cast<std::int32_t>(infoHeader.sizeImage);
    std::int64_t tableBytes = 0;
    if (infoHeader.compression == kBiRgb || infoHeader.compression == kBiBitfields) {
        // Rows, palette and masks are what readers of these pixels take from the block, whatever
        // the size field says: a block shorter than that is refused, not handed on.
        const std::int64_t needed =
            UncompressedImageSize(infoHeader.width, infoHeader.height, static_cast<std::int16_t>(infoHeader.bitCount));
        if (imageSize == 0) imageSize = needed;
        if (imageSize < needed) imageSize = -1;
        tableBytes = ColourTableBytes(infoHeader);
    }
    const bool fits = infoHeader.size >= static_cast<std::uint32_t>(kInfoHeaderSize) && tableBytes >= 0 &&
                      kFileHeaderSize + static_cast<std::int64_t>(infoHeader.size) + tableBytes <= bitOffset &&
                      bitOffset <= length && imageSize > 0 && bitOffset + imageSize <= length;
    if (!fits) {
        RefuseFormat(filename);
        return false;
    }

    // The recorder reloads a frame of the same size many times a second: read into the block
    // kept from the load before last instead of allocating and clearing a new one each time.
    std::vector<std::uint8_t>& bits = spareBits_;
    bits.resize(static_cast<std::size_t>(imageSize));
    std::vector<std::uint8_t> bitmapInfo(static_cast<std::size_t>(bitOffset - kFileHeaderSize));
    if (!file.ReadAt(static_cast<std::uint64_t>(bitOffset), bits.data(), bits.size()) ||
        !file.ReadAt(kFileHeaderSize, bitmapInfo.data(), bitmapInfo.size())) {
        RefuseFormat(filename);
        return false;
    }
    infoHeader.sizeImage = static_cast<std::uint32_t>(imageSize);
    file_ = fileHeader;
    info_ = infoHeader;
    bits_.swap(spareBits_);
    bitmapInfo_ = std::move(bitmapInfo);
    bitsFilled_ = bitmapInfoFilled_ = true;
    return true;
}

bool cDIB::CreateFromPackedDIBPointer(const void* pDIB) {
    const auto* bytes = static_cast<const std::uint8_t*>(pDIB);
    info_ = platform::ReadDibHeader(bytes);
    if (BitCount() <= 15 || static_cast<std::int32_t>(info_.sizeImage) <= 0) {
        return false;
    }
    bits_.assign(bytes + kInfoHeaderSize, bytes + kInfoHeaderSize + info_.sizeImage);
    bitmapInfo_.assign(bytes, bytes + kInfoHeaderSize);
    file_ = FileHeader{};
    file_.type = kBmType;
    file_.size = static_cast<std::uint32_t>(kFileHeaderSize + kInfoHeaderSize) + info_.sizeImage;
    file_.offBits = kFileHeaderSize + kInfoHeaderSize;
    bitsFilled_ = bitmapInfoFilled_ = true;
    return true;
}

bool cDIB::WriteToFile(const platform::Text& filename) {
    if (!bitsFilled_ || !bitmapInfoFilled_) return false;
    platform::OpenResult opened = files_.OpenForWriting(filename);
    if (!opened.file) return false;
    std::uint8_t header[kFileHeaderSize];
    StoreFileHeader(file_, header);
    // Each part is attempted even when an earlier one failed, so as much as possible lands.
    bool ok = opened.file->WriteAt(0, header, sizeof header);
    ok = opened.file->WriteAt(kFileHeaderSize, bitmapInfo_.data(), bitmapInfo_.size()) && ok;
    ok = opened.file->WriteAt(kFileHeaderSize + bitmapInfo_.size(), bits_.data(), bits_.size()) && ok;
    return ok;
}

const std::uint8_t* cDIB::PointerToBits() const {
    if (!bitsFilled_) throw DibNotLoaded("cDIB: no pixel data loaded");
    return bits_.data();
}

const std::uint8_t* cDIB::PointerToBitmapInfo() const {
    if (!bitmapInfoFilled_) throw DibNotLoaded("cDIB: no bitmap info loaded");
    return bitmapInfo_.data();
}

std::int32_t cDIB::SizeBitmapInfo() const {
    if (!bitmapInfoFilled_) throw DibNotLoaded("cDIB: no bitmap info loaded");
    return static_cast<std::int32_t>(bitmapInfo_.size());
}

}  // namespace kest::recorder
