#include "common/memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Memory, DisposeFreesOnceAndClearsThePointer) {
    int64_t status = 0;
    char* p = static_cast<char*>(RobustNewPtr(64, &status));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(status, -1);
    std::memset(p, 1, 64);  // the whole block is usable
    status = 0;
    RobustDisposePtr(&p, &status);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(status, -1);
    RobustDisposePtr(&p);  // a second dispose is harmless
    RobustDisposePtr<char>(nullptr);
}

}  // namespace
