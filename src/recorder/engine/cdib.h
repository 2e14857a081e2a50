// One device-independent bitmap held as its headers, its info block (info header plus
// colour table) and its pixel block; loaded from a BMP file or a packed DIB in memory.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/dib.h"
#include "platform/file_system.h"
#include "platform/toolkit.h"

namespace kest::recorder {

// Raised when a block is asked for before anything was loaded into it.
class DibNotLoaded : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

class cDIB {
public:
    cDIB(platform::FileSystem& files, platform::Toolkit& toolkit);

    // Loads a BMP file. Shows a message box and returns false for a missing, locked,
    // unreadable or malformed file, or one whose pixels, palette or masks are shorter than its
    // header says; a refused file leaves the previous bitmap's blocks.
    bool CreateFromFile(const platform::Text& filename);
    // Off: refusals are only returned, for a caller that reads a file many times a second and
    // tells the user itself, once.
    void SetTellsUser(bool tell) { tellsUser_ = tell; }
    // Builds the bitmap from a 40-byte info header directly followed by the pixels. Bitmaps
    // with a colour table (16 bits or fewer) and those without a pixel size are refused.
    bool CreateFromPackedDIBPointer(const void* pDIB);
    // Writes the bitmap as a BMP file, replacing any existing file. False when nothing is
    // loaded or the file could not be written completely.
    bool WriteToFile(const platform::Text& filename);

    // The header's 16-bit fields read as signed, as the file format's users always have.
    std::int32_t BitCount() const { return static_cast<std::int16_t>(info_.bitCount); }
    std::int32_t Height() const { return info_.height; }
    std::int32_t Width() const { return info_.width; }
    std::int32_t Compression() const { return static_cast<std::int32_t>(info_.compression); }
    std::int32_t SizeInfoHeader() const { return static_cast<std::int32_t>(info_.size); }
    std::int32_t SizeImage() const { return static_cast<std::int32_t>(info_.sizeImage); }
    std::int32_t Planes() const { return static_cast<std::int16_t>(info_.planes); }
    std::int32_t ClrImportant() const { return static_cast<std::int32_t>(info_.clrImportant); }
    std::int32_t ClrUsed() const { return static_cast<std::int32_t>(info_.clrUsed); }
    std::int32_t XPPM() const { return info_.xPelsPerMeter; }
    std::int32_t YPPM() const { return info_.yPelsPerMeter; }
    std::int32_t FileType() const { return file_.type; }
    std::int32_t SizeFileHeader() const { return static_cast<std::int32_t>(file_.size); }
    std::int32_t BitOffset() const { return static_cast<std::int32_t>(file_.offBits); }

    const std::uint8_t* PointerToBits() const;
    const std::uint8_t* PointerToBitmapInfo() const;
    std::int32_t SizeBitmapInfo() const;

    static constexpr std::int32_t kFileHeaderSize = 14;
    static constexpr std::int32_t kInfoHeaderSize = platform::kDibHeaderBytes;
    static constexpr std::int32_t kBmType = 19778;  // "BM"

private:
    struct FileHeader {
        std::int16_t type = 0;
        std::uint32_t size = 0;
        std::uint16_t reserved1 = 0;
        std::uint16_t reserved2 = 0;
        std::uint32_t offBits = 0;
    };

    // True when the file's length can be read; the length is handed back for the size checks.
    bool FileExists(const platform::Text& path, std::int64_t* length);
    void Tell(const platform::Text& text, platform::MsgBoxIcon icon);
    void RefuseFormat(const platform::Text& path);

    static FileHeader ParseFileHeader(const std::uint8_t* bytes);
    static void StoreFileHeader(const FileHeader& header, std::uint8_t* bytes);

    platform::FileSystem& files_;
    platform::Toolkit& toolkit_;
    FileHeader file_;
    platform::DibHeader info_{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // nothing loaded
    std::vector<std::uint8_t> bitmapInfo_;
    std::vector<std::uint8_t> bits_;
    std::vector<std::uint8_t> spareBits_;
    bool bitmapInfoFilled_ = false;
    bool tellsUser_ = true;
    bool bitsFilled_ = false;
};

// Bytes of pixel data of an uncompressed bitmap (rows padded to 4 bytes), or -1 when the
// dimensions cannot describe one that fits in 32 bits.
std::int64_t UncompressedImageSize(std::int32_t width, std::int32_t height, std::int32_t bitCount);

}  // namespace kest::recorder
