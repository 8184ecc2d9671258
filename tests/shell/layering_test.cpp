// Every include and every call points down: a source folder includes only
// its own headers and those of folders below it, and its library needs only
// symbols that it or the libraries of lower folders define. The shared
// records, the host access and the task engine sit below the pyramid and the
// renderer; the solid model (polyhedra) sits below the net code (nets), and
// the set-up that turns a mode into a solid and its net (solids: the shape
// dispatcher, the set-up driver, builders that call net steps) sits above
// both; the shell's settings, defaults, catalogue and invocation sit below the
// dialog, which reads them; the plug-in's entry (entry/) is on top and opens
// the dialog, and the command-line host (cli/), which loads the plug-in and
// reads the shell's catalogue and settings, sits above everything.
// The few calls that still point up are listed by name, so a new one fails
// here instead of closing another circle.
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Folders from the bottom up; a folder may include any folder ranked lower.
const std::pair<const char*, int> kRanks[] = {
    {"platform", 0}, {"common", 1},  {"records", 2},     {"host_access", 3}, {"engine", 4},
    {"polyhedra", 5}, {"nets", 6},   {"solids", 7},      {"pyramid", 8},     {"projections", 9},
    {"render", 10},  {"files", 11},  {"shell", 12},      {"ui", 13},         {"entry", 14},
    {"cli", 15},
};
// Top-level folders that hold no product code.
const char* const kOutsideTheProduct[] = {"tests", "tools", "bench", "samples", "fuzz", ".ci", ".git"};

// Upward includes not undone yet: (including file, included header).
const std::set<std::pair<std::string, std::string>> kKnownUpward = {
};

int RankOf(const std::string& folder) {
    for (const auto& [name, rank] : kRanks)
        if (folder == name) return rank;
    return -1;
}

TEST(Layering, EveryIncludePointsDown) {
    const fs::path root = VORNESK_SOURCE_DIR;
    int files = 0;
    for (const auto& [folder, rank] : kRanks) {
        ASSERT_TRUE(fs::is_directory(root / folder)) << folder;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = e.path().extension().string();
            if (!e.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".c")) continue;
            ++files;
            const std::string file = fs::relative(e.path(), root).generic_string();
            std::ifstream in(e.path());
            std::string line;
            while (std::getline(in, line)) {
                if (line.rfind("#include \"", 0) != 0) continue;
                const std::string header = line.substr(10, line.find('"', 10) - 10);
                const std::string target = header.substr(0, header.find('/'));
                const int targetRank = RankOf(target);
                if (targetRank < 0 || target == folder) continue;
                if (targetRank < rank || kKnownUpward.count({file, header})) continue;
                ADD_FAILURE() << file << " includes " << header << ": " << target << "/ is not below " << folder
                              << "/ (move the code to the layer it belongs to)";
            }
        }
    }
    EXPECT_GT(files, 200);
}

// A new folder of sources gets a rank, or its includes would go unchecked.
TEST(Layering, EverySourceFolderHasARank) {
    const fs::path root = VORNESK_SOURCE_DIR;
    for (const fs::directory_entry& top : fs::directory_iterator(root)) {
        const std::string name = top.path().filename().string();
        if (!top.is_directory() || RankOf(name) >= 0 || name.rfind("build", 0) == 0) continue;
        bool outside = false;
        for (const char* o : kOutsideTheProduct) outside = outside || name == o;
        if (outside) continue;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(top.path())) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".h" || ext == ".cpp" || ext == ".c")) {
                ADD_FAILURE() << name << "/ holds sources but has no place in the folder order";
                break;
            }
        }
    }
}

// The list of known upward includes only shrinks: an entry whose include is
// gone is taken out.
TEST(Layering, KnownUpwardIncludesStillExist) {
    const fs::path root = VORNESK_SOURCE_DIR;
    for (const auto& [file, header] : kKnownUpward) {
        std::ifstream in(root / file);
        std::string line;
        bool found = false;
        while (std::getline(in, line)) found = found || line == "#include \"" + header + "\"";
        EXPECT_TRUE(found) << file << " no longer includes " << header << ": remove it from kKnownUpward";
    }
}

// ---- Calls ---------------------------------------------------------------

// The libraries of the build (libvk_<name>.a), from the bottom up, as
// CMakeLists.txt links them: each links only the one below it. The folders'
// order above, with platform/appkit/ (the window-system classes) a library of
// its own just above platform/, and the entry (entry/PluginMain.cpp), which
// opens the dialog, the library on top.
const char* const kLibraries[] = {
    "platform", "appkit", "common", "records", "host_access", "engine", "polyhedra", "nets",
    "solids", "pyramid", "projections", "render", "files", "shell", "ui", "entry",
};

struct UpwardCall {
    std::string library;  // the library that needs the symbol
    std::string definer;  // the lowest higher library that defines it
    std::string name;     // the symbol, demangled, without its parameters
};
bool operator<(const UpwardCall& a, const UpwardCall& b) {
    return std::tie(a.library, a.definer, a.name) < std::tie(b.library, b.definer, b.name);
}

// Calls not undone yet: (library, definer, name). Only ever shrinks.
const std::set<UpwardCall> kKnownUpwardCalls = {
};

struct Symbols {
    std::set<std::string> defined;    // global symbols the library's objects define
    std::set<std::string> undefined;  // symbols its objects need
};

std::string Demangled(const std::string& symbol) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> d(abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status),
                                            std::free);
    std::string name = status == 0 && d ? d.get() : symbol;
    return name.substr(0, name.find('('));
}

// The symbols of one static library, read with nm in its portable format
// ("archive[object]: name type value size").
Symbols ReadLibrary(const std::string& path) {
    Symbols s;
    FILE* pipe = popen(("nm -A -P '" + path + "' 2>/dev/null").c_str(), "r");
    if (!pipe) return s;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::istringstream in(line);
        std::string where, name, type;
        if (!(in >> where >> name >> type) || type.size() != 1) continue;
        const char t = type[0];
        if (t == 'U') s.undefined.insert(name);
        else if (std::string("TDBRGSCWViu").find(t) != std::string::npos) s.defined.insert(name);
        // Local symbols (lower case) satisfy no other object; undefined weak
        // ones (w, v) need nothing.
    }
    pclose(pipe);
    return s;
}

// Every symbol a library needs that neither it nor a lower library defines
// but a higher one does.
std::set<UpwardCall> UpwardCalls(const std::vector<std::string>& order, const std::vector<Symbols>& libraries) {
    std::set<UpwardCall> found;
    std::set<std::string> belowOrHere;
    for (size_t n = 0; n < order.size(); ++n) {
        belowOrHere.insert(libraries[n].defined.begin(), libraries[n].defined.end());
        for (const std::string& symbol : libraries[n].undefined) {
            if (belowOrHere.count(symbol)) continue;
            for (size_t m = n + 1; m < order.size(); ++m) {
                if (!libraries[m].defined.count(symbol)) continue;
                found.insert({order[n], order[m], Demangled(symbol)});
                break;
            }
        }
    }
    return found;
}

class LinkLayering : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        order_ = new std::vector<std::string>(std::begin(kLibraries), std::end(kLibraries));
        libraries_ = new std::vector<Symbols>;
        for (const std::string& name : *order_)
            libraries_->push_back(ReadLibrary(std::string(VORNESK_BINARY_DIR) + "/libvk_" + name + ".a"));
    }
    static void TearDownTestSuite() {
        delete order_;
        delete libraries_;
    }
    static std::vector<std::string>* order_;
    static std::vector<Symbols>* libraries_;
};
std::vector<std::string>* LinkLayering::order_ = nullptr;
std::vector<Symbols>* LinkLayering::libraries_ = nullptr;

TEST_F(LinkLayering, EveryCallPointsDown) {
    for (size_t n = 0; n < order_->size(); ++n)
        ASSERT_FALSE((*libraries_)[n].defined.empty()) << "libvk_" << (*order_)[n] << ".a has no symbols (not built?)";
    for (const UpwardCall& call : UpwardCalls(*order_, *libraries_)) {
        if (kKnownUpwardCalls.count(call)) continue;
        ADD_FAILURE() << call.library << "/ calls " << call.name << ", which only " << call.definer
                      << "/ above it defines (hand it the function, or move the code to the layer it belongs to)";
    }
}

// The list of known upward calls only shrinks: an entry whose call is gone
// is taken out.
TEST_F(LinkLayering, KnownUpwardCallsStillExist) {
    const std::set<UpwardCall> found = UpwardCalls(*order_, *libraries_);
    for (const UpwardCall& call : kKnownUpwardCalls)
        EXPECT_TRUE(found.count(call)) << call.library << "/ no longer calls " << call.name << " of " << call.definer
                                       << "/: remove it from kKnownUpwardCalls";
}

// The check sees a call into a higher library, and not one that a lower
// library or the caller itself answers.
TEST(LinkLayeringCheck, FindsOnlyCallsAnsweredAboveAlone) {
    const std::vector<std::string> order = {"low", "mid", "high"};
    std::vector<Symbols> libs(3);
    libs[0].undefined = {"_Z2upv", "_Z4selfv", "_Z3midv", "external"};
    libs[0].defined = {"_Z4selfv"};
    libs[1].defined = {"_Z3midv", "_Z2upv"};
    libs[1].undefined = {"_Z4highv"};
    libs[2].defined = {"_Z4highv", "_Z2upv"};
    const std::set<UpwardCall> found = UpwardCalls(order, libs);
    const std::set<UpwardCall> expected = {{"low", "mid", "up"}, {"low", "mid", "mid"}, {"mid", "high", "high"}};
    EXPECT_EQ(found.size(), expected.size());
    for (const UpwardCall& c : expected) EXPECT_TRUE(found.count(c)) << c.library << " " << c.name;
}

// The build links the libraries in this order, and the folders' include order
// is the same with the two libraries of their own in their places.
TEST(LinkOrder, MatchesTheBuildAndTheIncludeOrder) {
    std::ifstream in(std::string(VORNESK_SOURCE_DIR) + "/CMakeLists.txt");
    std::string line, folders;
    while (std::getline(in, line))
        if (line.rfind("set(VORNESK_FOLDERS ", 0) == 0) folders = line.substr(20, line.find(')') - 20);
    std::string expected;
    for (const char* name : kLibraries) expected += (expected.empty() ? "" : " ") + std::string(name);
    EXPECT_EQ(folders, expected);

    std::vector<std::string> includeOrder;
    for (const char* name : kLibraries)
        if (std::string(name) != "appkit") includeOrder.push_back(name);
    // The command-line host is a program above the plug-in, not one of its libraries.
    includeOrder.push_back("cli");
    ASSERT_EQ(includeOrder.size(), std::size(kRanks));
    for (size_t n = 0; n < includeOrder.size(); ++n) {
        EXPECT_EQ(includeOrder[n], kRanks[n].first);
        EXPECT_EQ(int(n), kRanks[n].second);
    }
}

// The README's "Layout" names the folders from the bottom up in the same order.
TEST(LinkOrder, ReadmeLayoutFollowsIt) {
    std::ifstream in(std::string(VORNESK_SOURCE_DIR) + "/README.md");
    std::stringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    const size_t start = text.find("## Layout");
    ASSERT_NE(start, std::string::npos);
    const std::string layout = text.substr(start, text.find("\n## ", start + 1) - start);
    size_t last = 0;
    for (const char* name : kLibraries) {
        const std::string n = name;
        const std::string token = n == "appkit" ? "`platform/appkit/`" : "`" + n + "/`";
        const size_t at = layout.find(token);
        ASSERT_NE(at, std::string::npos) << token << " is not in the README's Layout";
        EXPECT_GT(at, last) << token << " comes too early in the README's Layout";
        last = at;
    }
}

}  // namespace
