// The frame file as cDIB reads it back: any bytes at all may lie there (a damaged disk, another
// program's file under the same name).
#include <cstring>

#include "fake/fake_platform.h"
#include "fuzz_input.h"
#include "recorder/engine/cdib.h"

using kest::fuzz::ReadAll;
using kest::fuzz::Require;
using kest::recorder::cDIB;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kest::fake::FakePlatform fake;
    const kest::platform::Text path = u"C:\\Temp\\frame.bmp";
    fake.files.contents[path].assign(data, data + size);
    cDIB dib(fake.files, fake.toolkit);
    if (!dib.CreateFromFile(path)) return 0;

    // The writer hands both blocks on with the sizes cDIB gives: they must be there in full.
    Require(dib.SizeImage() > 0, "a loaded bitmap has pixels");
    Require(dib.SizeBitmapInfo() >= cDIB::kInfoHeaderSize, "a loaded bitmap has its info header");
    ReadAll(dib.PointerToBits(), static_cast<std::size_t>(dib.SizeImage()));
    ReadAll(dib.PointerToBitmapInfo(), static_cast<std::size_t>(dib.SizeBitmapInfo()));

    // Written out and read back, it is the same bitmap.
    const kest::platform::Text copyPath = u"C:\\Temp\\copy.bmp";
    Require(dib.WriteToFile(copyPath), "a loaded bitmap can be written");
    cDIB copy(fake.files, fake.toolkit);
    Require(copy.CreateFromFile(copyPath), "a written bitmap loads");
    Require(copy.Width() == dib.Width() && copy.Height() == dib.Height() && copy.BitCount() == dib.BitCount() &&
                copy.SizeImage() == dib.SizeImage() && copy.SizeBitmapInfo() == dib.SizeBitmapInfo(),
            "a written bitmap loads with the same header");
    Require(std::memcmp(copy.PointerToBits(), dib.PointerToBits(), static_cast<std::size_t>(dib.SizeImage())) == 0 &&
                std::memcmp(copy.PointerToBitmapInfo(), dib.PointerToBitmapInfo(),
                            static_cast<std::size_t>(dib.SizeBitmapInfo())) == 0,
            "a written bitmap loads with the same bytes");
    return 0;
}
