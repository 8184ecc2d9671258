// vornesk --list-modes: every input, output and glue mode once, by number and
// name, with whether this build renders it and, under each refused output
// mode, why; users find a mode by the word they know ("gnomonic" leads to
// "rectilinear").
#include "cli/mode_listing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "tests/cli/spawn_host.h"

namespace {

struct Section {
    std::vector<std::string> lines;
    std::vector<std::string> reasons;  // beside each line: the one under it, else ""
    int yes = 0;
};

// The listing's three sections, by their heading lines. A mode's line starts
// with its number; a line under it that does not is the mode's reason.
std::vector<Section> Sections(const std::string& listing) {
    std::vector<Section> sections;
    std::istringstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.find("modes") != std::string::npos && line[0] != ' ') {
            sections.emplace_back();
            continue;
        }
        Section& s = sections.back();
        if (line.find_first_not_of(' ') >= 6) {
            EXPECT_FALSE(s.lines.empty() || !s.reasons.back().empty()) << "a reason under no mode: " << line;
            if (!s.reasons.empty()) s.reasons.back() = line;
            continue;
        }
        s.lines.push_back(line);
        s.reasons.emplace_back();
        if (line.substr(8, 3) == "yes") s.yes++;
    }
    return sections;
}

bool Has(const Section& s, const std::string& line) {
    for (const std::string& l : s.lines)
        if (l == line) return true;
    return false;
}

TEST(ModeListing, ListsEveryModeWithWhetherItRenders) {
    const std::vector<Section> s = Sections(ModeListing());
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].lines.size(), 41u);
    EXPECT_EQ(s[2].lines.size(), 69u);
    EXPECT_EQ(s[2].yes, 69);
    // The catalogue's 562 output codes the host accepts.
    EXPECT_EQ(s[1].lines.size(), 562u);
    EXPECT_GT(s[1].yes, 60);
    EXPECT_LT(s[1].yes, 562);

    EXPECT_TRUE(Has(s[0], "     1  yes  equirectangular"));
    EXPECT_TRUE(Has(s[0], "    29  yes  soccer"));
    EXPECT_TRUE(Has(s[0], "    39  yes  icomap"));
    EXPECT_TRUE(Has(s[1], "    14  yes  rectilinear"));
    EXPECT_TRUE(Has(s[1], "    62  yes  Mercator"));
    EXPECT_TRUE(Has(s[1], "     6  yes  tetrahedron"));
    EXPECT_TRUE(Has(s[1], "   405  no   sawtooth"));
    // Each refused output mode says why, under its name and in the words the
    // plug-in refuses it with; a rendered one says nothing more.
    for (size_t i = 0; i < s[1].lines.size(); ++i) {
        const int64_t code = std::stoll(s[1].lines[i]);
        const std::string refusal = OutputModeRefusal(code);
        if (refusal.empty()) {
            EXPECT_EQ(s[1].reasons[i], "") << code;
            continue;
        }
        const std::string why = s[1].reasons[i].substr(s[1].reasons[i].find_first_not_of(' '));
        EXPECT_EQ(s[1].reasons[i].find_first_not_of(' '), 13u) << code;  // under the name
        EXPECT_EQ(refusal, OutputModeInWords(code) + " is not available in this build: " + why);
    }
    // A mode without a name is listed by its number, rendering as the
    // build says (its floret came to render as its basis was laid).
    EXPECT_TRUE(Has(s[1], std::string("  1043  ") + (OutputModeIsRenderable(1043) ? "yes" : "no ") + "  (no name)"));
    EXPECT_TRUE(Has(s[2], "     1  yes  normal"));
}

TEST(ModeListing, TheHostPrintsItWithoutAPicture) {
    char tmpl[] = "/tmp/vornesk-list-modes-XXXXXX";
    const std::string folder = mkdtemp(tmpl);
    const HostResult r = SpawnHost(folder, {VORNESK_HOST_PROGRAM, "--list-modes"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ModeListing());
    EXPECT_EQ(r.err, "");
    const HostResult bad = SpawnHost(folder, {VORNESK_HOST_PROGRAM, "--list-modes=1"});
    EXPECT_EQ(bad.status, 2);
    std::system(("rm -rf '" + folder + "'").c_str());
}

}  // namespace
