// The portable code keeps its own copies of a few Windows constants; they must be the SDK's.
#include <windows.h>
#include <commdlg.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstddef>

#include "platform/avi_library.h"
#include "platform/desktop.h"

namespace kest::testing {
namespace {

TEST(PortableConstants, EqualTheSdkValues) {
    EXPECT_EQ(platform::kOfWrite, static_cast<std::uint32_t>(OF_WRITE));
    EXPECT_EQ(platform::kOfCreate, static_cast<std::uint32_t>(OF_CREATE));
    EXPECT_EQ(platform::kIcmfChooseKeyframe, static_cast<std::uint32_t>(ICMF_CHOOSE_KEYFRAME));
    EXPECT_EQ(platform::kIcmfChooseDatarate, static_cast<std::uint32_t>(ICMF_CHOOSE_DATARATE));
    EXPECT_EQ(platform::kAviifKeyframe, static_cast<std::uint32_t>(AVIIF_KEYFRAME));
    EXPECT_EQ(platform::kAvicompressfKeyframes, static_cast<std::uint32_t>(AVICOMPRESSF_KEYFRAMES));
    EXPECT_EQ(platform::kComptypeDib, static_cast<std::uint32_t>(comptypeDIB));
    EXPECT_EQ(platform::kOfnHideReadOnly, static_cast<std::uint32_t>(OFN_HIDEREADONLY));
    EXPECT_EQ(platform::kOfnPathMustExist, static_cast<std::uint32_t>(OFN_PATHMUSTEXIST));
    EXPECT_EQ(platform::kOfnFileMustExist, static_cast<std::uint32_t>(OFN_FILEMUSTEXIST));
    EXPECT_EQ(platform::kVkSnapshot, VK_SNAPSHOT);
    EXPECT_EQ(platform::kSrcCopy, static_cast<std::uint32_t>(SRCCOPY));
}

TEST(PortableConstants, CompressOptionsShareTheLibrarysLayout) {
    EXPECT_EQ(sizeof(platform::AviCompressOptions), sizeof(AVICOMPRESSOPTIONS));
    EXPECT_EQ(offsetof(platform::AviCompressOptions, fccHandler), offsetof(AVICOMPRESSOPTIONS, fccHandler));
    EXPECT_EQ(offsetof(platform::AviCompressOptions, dwFlags), offsetof(AVICOMPRESSOPTIONS, dwFlags));
    EXPECT_EQ(offsetof(platform::AviCompressOptions, lpFormat), offsetof(AVICOMPRESSOPTIONS, lpFormat));
    EXPECT_EQ(offsetof(platform::AviCompressOptions, lpParms), offsetof(AVICOMPRESSOPTIONS, lpParms));
    EXPECT_EQ(offsetof(platform::AviCompressOptions, dwInterleaveEvery),
              offsetof(AVICOMPRESSOPTIONS, dwInterleaveEvery));
}

}  // namespace
}  // namespace kest::testing
