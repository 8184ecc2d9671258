// Picture blocks: small ones from malloc, large ones mapped on their own in
// huge pages. Each must hold every byte asked for, and a large one must go
// back to the system whole when disposed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__linux__)
#include <cerrno>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "platform/page_touch.h"

namespace {

#if defined(__linux__)
// Whether any page of [p, p + size) is mapped in this process.
bool AnyPageMapped(const void* p, size_t size) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident((size + page - 1) / page);
    for (size_t at = 0; at < size; at += page)
        if (mincore(const_cast<void*>(static_cast<const void*>(static_cast<const uint8_t*>(p) + at)), page,
                    resident.data()) == 0 || errno != ENOMEM)
            return true;
    return false;
}
#endif

TEST(PictureBlock, HoldsEveryByteAskedForAndGoesBackWhole) {
    // Below, at and above the size from which blocks are mapped (a huge
    // page), and ones not a whole number of huge pages.
    for (const size_t size : {size_t{1}, size_t{1} << 20, size_t{2} << 20, (size_t{3} << 20) + 12345,
                              (size_t{9} << 20) + 12345}) {
        auto* block = static_cast<uint8_t*>(NewPictureBlock(size));
        ASSERT_NE(block, nullptr) << size;
        std::memset(block, 0xA5, size);
        PrefaultForWriting(block, size);
        EXPECT_EQ(block[0], 0xA5) << size;
        EXPECT_EQ(block[size - 1], 0xA5) << size;
#if defined(__linux__)
        if (size >= (size_t{2} << 20)) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % (size_t{2} << 20), 0u) << "starts on a huge page";
            DisposePictureBlock(block, size);
            // The whole huge pages the block took, its last one's slack too.
            const size_t taken = (size + (size_t{2} << 20) - 1) & ~((size_t{2} << 20) - 1);
            EXPECT_FALSE(AnyPageMapped(block, taken)) << "part of a block of " << size << " bytes stays mapped";
            continue;
        }
#endif
        DisposePictureBlock(block, size);
    }
    DisposePictureBlock(nullptr, size_t{9} << 20);
}

// A block said to start as zeros has none of its pages taken yet, and
// reads as zeros: its owner may skip clearing it. A block from malloc may
// hold old bytes and is not said to.
TEST(PictureBlock, StartsAsZerosOnlyWhenMappedFresh) {
    for (const size_t size : {size_t{1}, size_t{1} << 20, size_t{2} << 20, (size_t{9} << 20) + 12345}) {
        const bool zeroed = PictureBlockStartsZeroed(size);
        auto* block = static_cast<uint8_t*>(NewPictureBlock(size));
        ASSERT_NE(block, nullptr) << size;
#if defined(__linux__)
        EXPECT_EQ(zeroed, size >= (size_t{2} << 20)) << size;
        if (zeroed) {
            const size_t page = size_t(sysconf(_SC_PAGESIZE));
            std::vector<unsigned char> resident((size + page - 1) / page);
            ASSERT_EQ(mincore(block, size, resident.data()), 0);
            size_t taken = 0;
            for (const unsigned char r : resident) taken += r & 1;
            EXPECT_EQ(taken, 0u) << "pages of a fresh block of " << size << " bytes were taken";
            size_t nonzero = 0;
            for (size_t i = 0; i < size; ++i) nonzero += block[i] != 0;
            EXPECT_EQ(nonzero, 0u) << size;
        }
#endif
        DisposePictureBlock(block, size);
    }
}

}  // namespace
