// Which host pictures suit which pyramid kinds. The host's chunks entering
// level 0 are checked through the real pixel exchange in the command-line
// host's tests.
#include <gtest/gtest.h>

#include "pyramid/image_fill.h"

namespace {

TEST(HostChunk, HostImagesSuitTheirPyramidKinds) {
    EXPECT_TRUE(HostImageSuitsPyramidKind(3, 8, kPyrColour8));
    EXPECT_TRUE(HostImageSuitsPyramidKind(10, 16, kPyrColour16));
    EXPECT_FALSE(HostImageSuitsPyramidKind(1, 8, kPyrColour16));
    EXPECT_TRUE(HostImageSuitsPyramidKind(17, 32, kPyrColourFloat));
}

}  // namespace
