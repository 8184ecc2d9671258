// Shared by the tests of checked-in generated source: runs a table generator
// and compares its output with the file in the source tree.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

// Skips when the generator is not built; fails when the checked-in file is
// not what the generator writes today.
inline void ExpectGeneratedSourceIsCurrent(const char* generator, const char* checkedInPath) {
    const std::string gen = std::string(VORNESK_BINARY_DIR) + "/generators/" + generator;
    if (access(gen.c_str(), X_OK) != 0) GTEST_SKIP() << "generator not built: " << gen;
    FILE* p = popen(gen.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string fresh;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) fresh.append(buf, n);
    ASSERT_EQ(pclose(p), 0);
    std::ifstream in(std::string(VORNESK_SOURCE_DIR) + "/" + checkedInPath, std::ios::binary);
    std::stringstream checked;
    checked << in.rdbuf();
    EXPECT_TRUE(fresh == checked.str()) << "regenerate " << checkedInPath << " with " << gen;
}
