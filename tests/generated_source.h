// Shared by the tests of checked-in generated source: runs a table generator
// and compares its output with the file in the source tree.
#pragma once

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

// Whether two generated sources say the same, numbers compared within a
// relative tolerance and everything else character for character. For a
// generator whose numbers come through single-precision maps: a release
// build optimised across libraries can round those maps' last bits
// otherwise than the build that wrote the file.
inline bool SameUpToNumbers(const std::string& a, const std::string& b, double relTol) {
    auto startsNumber = [](const std::string& s, size_t i) {
        const bool afterName = i > 0 && (std::isalnum((unsigned char)s[i - 1]) || s[i - 1] == '_' || s[i - 1] == '.');
        return !afterName && i < s.size() &&
               (std::isdigit((unsigned char)s[i]) || ((s[i] == '-' || s[i] == '.') && i + 1 < s.size() &&
                                                      (std::isdigit((unsigned char)s[i + 1]) || s[i + 1] == '.')));
    };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (startsNumber(a, i) && startsNumber(b, j)) {
            char *ea, *eb;
            const double x = std::strtod(a.c_str() + i, &ea), y = std::strtod(b.c_str() + j, &eb);
            if (std::fabs(x - y) > relTol * std::fmax(1.0, std::fmax(std::fabs(x), std::fabs(y)))) return false;
            i = size_t(ea - a.c_str());
            j = size_t(eb - b.c_str());
            continue;
        }
        if (a[i++] != b[j++]) return false;
    }
    return i == a.size() && j == b.size();
}

// Skips when the generator is not built; fails when the checked-in file is
// not what the generator writes today (its numbers within relTol, when one
// is given).
inline void ExpectGeneratedSourceIsCurrent(const char* generator, const char* checkedInPath, double relTol = 0.0) {
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
    if (relTol > 0.0)
        EXPECT_TRUE(SameUpToNumbers(fresh, checked.str(), relTol)) << "regenerate " << checkedInPath << " with " << gen;
    else
        EXPECT_TRUE(fresh == checked.str()) << "regenerate " << checkedInPath << " with " << gen;
}
