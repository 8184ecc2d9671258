// Scripting descriptors through the host's procedures; the cached settings,
// the memory-dot map and undo in a temporary application-support folder.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/notifications.h"
#include "platform/host/descriptors.h"
#include "platform/host/handles.h"
#include "platform/host/host_services.h"
#include "platform/host/result_codes.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "shell/mode_catalogue.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "records/plugin_globals.h"
#include "shell/scripting.h"
#include "shell/scripting_codes.h"
#include "shell/settings_file.h"
#include "shell/settings_persistence.h"
#include "shell/settings_files.h"
#include "records/work_area.h"

namespace {

std::unique_ptr<Parameters> Factory() {
    auto p = std::make_unique<Parameters>();
    std::memset(static_cast<void*>(p.get()), 0, sizeof(Parameters));
    GrabDefaultSettings(p.get());
    return p;
}

std::vector<DescriptorItem> Write(const Parameters& p) {
    const WriteDescriptorProcs* procs = HostServicesWriteDescriptorProcs();
    PIWriteDescriptor writer = procs->openWriteDescriptorProc();
    EXPECT_EQ(PutSettingsToDescriptor(&p, procs, writer), 0);
    PIDescriptorHandle h = nullptr;
    procs->closeWriteDescriptorProc(writer, &h);
    std::vector<DescriptorItem> items;
    EXPECT_TRUE(DescriptorItemsFromHandle(h, &items));
    DisposeHandle(h);
    return items;
}

bool Read(const std::vector<DescriptorItem>& items, Parameters* p, std::string* error = nullptr) {
    PIDescriptorHandle h = NewDescriptorHandle(items);
    const ReadDescriptorProcs* procs = HostServicesReadDescriptorProcs();
    PIReadDescriptor reader = procs->openReadDescriptorProc(h, kSettingsKeys);
    const bool ok = GetSettingsFromDescriptor(p, procs, reader, error);
    procs->closeReadDescriptorProc(reader);
    DisposeHandle(h);
    return ok;
}

const DescriptorItem* Find(const std::vector<DescriptorItem>& items, const char* key) {
    for (const DescriptorItem& i : items)
        if (FourCCToText(i.key) == key) return &i;
    return nullptr;
}

TEST(ScriptingDescriptor, KeysInOrderAndValuesBack) {
    auto p = Factory();
    p->inputMode = 17;
    p->outputMode = 16;
    p->glueMode = 12;
    p->grid = 5;
    p->tab_color = {0xABCD, 65535, 1};
    p->line_color = {65535, 0, 0x0101};
    p->latitude = 12.5f;
    p->hqpr = 1;
    p->flip = 1;
    p->export_pixels = 777;
    const std::vector<DescriptorItem> items = Write(*p);
    ASSERT_EQ(items.size(), 44u);   // every key but "0015"
    for (size_t i = 0, k = 0; i < items.size(); ++i, ++k) {
        if (kSettingsKeys[k] == MakeFourCC("0015")) ++k;
        EXPECT_EQ(items[i].key, kSettingsKeys[k]) << i;
    }
    EXPECT_EQ(FormatDescriptorItem(*Find(items, "Vers")), "Vers=48");
    EXPECT_EQ(FormatDescriptorItem(*Find(items, "Fiky")), "Fiky=Fity:Fi18");
    EXPECT_EQ(FormatDescriptorItem(*Find(items, "Foky")), "Foky=Foty:Fo70");
    EXPECT_EQ(FormatDescriptorItem(*Find(items, "GLUE")), "GLUE=GLty:GL12");
    EXPECT_EQ(FormatDescriptorItem(*Find(items, "Fgky")), "Fgky=Fgty:Fgr5");
    EXPECT_EQ(Find(items, "hqpr")->type, typeInteger);

    auto q = Factory();
    std::string error;
    ASSERT_TRUE(Read(items, q.get(), &error)) << error;
    EXPECT_EQ(q->inputMode, 17);
    EXPECT_EQ(q->outputMode, 16);
    EXPECT_EQ(q->glueMode, 12);
    EXPECT_EQ(q->grid, 5);
    // Colours keep all 16 bits.
    EXPECT_EQ(q->tab_color.red, 0xABCD);
    EXPECT_EQ(q->tab_color.green, 65535);
    EXPECT_EQ(q->tab_color.blue, 1);
    EXPECT_EQ(q->line_color.blue, 0x0101);
    EXPECT_FLOAT_EQ(q->latitude, 12.5f);
    EXPECT_EQ(q->hqpr, 1);
    EXPECT_EQ(q->flip, 1);
    EXPECT_EQ(q->export_pixels, 777);
    EXPECT_EQ(q->version, 48);
}

// Every output mode the catalogue knows goes out as its code and comes back.
TEST(ScriptingDescriptor, EveryCodedModeSurvives) {
    auto p = Factory();
    auto q = Factory();
    int seen = 0;
    for (int32_t m = 1; m <= kLastOutputMode; ++m) {
        if (!IsValidOutputMode(m)) continue;
        p->outputMode = m;
        q->outputMode = 0;
        ASSERT_TRUE(Read(Write(*p), q.get())) << m;
        EXPECT_EQ(q->outputMode, m);
        ++seen;
    }
    EXPECT_EQ(seen, 562);
    for (int32_t m = 1; m <= kInputModeCount; ++m) {
        p->inputMode = m;
        ASSERT_TRUE(Read(Write(*p), q.get()));
        EXPECT_EQ(q->inputMode, m);
    }
}

TEST(ScriptingDescriptor, OldAndBadDescriptors) {
    auto q = Factory();
    std::string error;
    // An older recording: colours as their high byte, integer angles only.
    std::vector<DescriptorItem> items;
    for (const char* text : {"Vers=40", "0001=171", "0008=30", "0012=45", "0014=90", "0034=12.5"}) {
        DescriptorItem item;
        ASSERT_TRUE(ParseDescriptorItem(text, &item, &error)) << error;
        items.push_back(item);
    }
    ASSERT_TRUE(Read(items, q.get(), &error)) << error;
    EXPECT_EQ(q->tab_color.red, 0xAB00);
    EXPECT_EQ(q->version, 40);
    EXPECT_FLOAT_EQ(q->latitude, 30);   // the integer copy holds before version 47
    EXPECT_FLOAT_EQ(q->longitude, 45);
    EXPECT_FLOAT_EQ(q->FOV, 90);

    // Unknown keys are passed over.
    DescriptorItem odd;
    ASSERT_TRUE(ParseDescriptorItem("Zzzz=5", &odd, &error));
    q = Factory();
    ASSERT_TRUE(Read({odd}, q.get(), &error));
    EXPECT_EQ(q->outputMode, 1);

    const struct {
        const char* item;
        const char* why;
    } bad[] = {
        {"Foky=Foty:<NO>", "names no output mode"}, {"Foky=Foty:Fo00", "names no output mode"},
        {"Fiky=Fity:Fi17", "names no input mode"},  {"GLUE=GLty:GL70", "names no glue mode"},
        {"Fgky=Fgty:Fgr8", "names no graticule kind"}, {"Foky=16", "wrong type"},
        {"Vers=49", "settings version 49 comes from a newer Vornesk 2"}, {"Vers=0", "settings version 0 does not exist"}, {"0034=1e300", "is not from -1000000000 to 1000000000"},
    };
    for (const auto& b : bad) {
        DescriptorItem item;
        ASSERT_TRUE(ParseDescriptorItem(b.item, &item, &error)) << b.item;
        q = Factory();
        q->outputMode = 77;
        const auto before = std::make_unique<Parameters>(*q);
        error.clear();
        EXPECT_FALSE(Read({item}, q.get(), &error)) << b.item;
        EXPECT_NE(error.find(b.why), std::string::npos) << b.item << ": " << error;
        EXPECT_EQ(std::memcmp(q.get(), before.get(), sizeof(Parameters)), 0) << b.item;
    }
}

// ---- through the filter record: selectors' view ----

struct Persistence : ::testing::Test {
    FilterRecord record{};
    PIDescriptorParameters descriptor{};
    Str255 errorString{};
    int16_t result = 0;
    std::unique_ptr<Parameters> params = Factory();
    std::unique_ptr<Data> data = std::make_unique<Data>();
    std::unique_ptr<TStorage1> storage = std::make_unique<TStorage1>();
    std::string folder;

    void SetUp() override {
        char tmpl[] = "/tmp/vornesk-persist-XXXXXX";
        folder = mkdtemp(tmpl);
        setenv("VORNESK_SUPPORT_DIR", folder.c_str(), 1);
        std::memset(static_cast<void*>(data.get()), 0, sizeof(Data));
        data->storage = storage.get();
        record.hostSig = MakeFourCC("test");
        record.handleProcs = HostServicesHandleProcs();
        record.errorString = &errorString;
        descriptor.readDescriptorProcs = HostServicesReadDescriptorProcs();
        descriptor.writeDescriptorProcs = HostServicesWriteDescriptorProcs();
        record.descriptorParameters = &descriptor;
        gFilterRecord = &record;
        gResult = &result;
        gParams = params.get();
        gData = data.get();
    }
    void TearDown() override {
        DisposeHandle(descriptor.descriptor);
        gFilterRecord = nullptr;
        gResult = nullptr;
        gParams = nullptr;
        gData = nullptr;
        std::system(("rm -rf '" + folder + "'").c_str());
        unsetenv("VORNESK_SUPPORT_DIR");
    }
    std::string Path(const char* name) const { return folder + "/" + name; }
};

TEST_F(Persistence, ScriptParametersReadAndWritten) {
    std::string error;
    std::vector<DescriptorItem> items;
    for (const char* text : {"Vers=48", "Foky=Foty:Ft51", "0036=33.5"}) {
        DescriptorItem item;
        ASSERT_TRUE(ParseDescriptorItem(text, &item, &error));
        items.push_back(item);
    }
    descriptor.descriptor = NewDescriptorHandle(items);
    descriptor.playInfo = plugInDialogDisplay;
    params->glueMode = 9;   // not in the descriptor: the factory value returns
    EXPECT_TRUE(ScriptingParamsAreComing());
    EXPECT_EQ(ReadScriptParams_qev(), 1);
    EXPECT_EQ(result, noErr);
    EXPECT_EQ(data->showDialog, 1);
    EXPECT_EQ(params->outputMode, 351);
    EXPECT_FLOAT_EQ(params->spin, 33.5f);
    EXPECT_EQ(params->glueMode, 1);
    EXPECT_EQ(descriptor.descriptor, nullptr);

    WriteScriptParams_qev(data.get());
    std::vector<DescriptorItem> written;
    ASSERT_TRUE(DescriptorItemsFromHandle(descriptor.descriptor, &written));
    EXPECT_EQ(FormatDescriptorItem(*Find(written, "Foky")), "Foky=Foty:Ft51");

    // A descriptor the settings cannot take: nothing changes, the host is told.
    DisposeHandle(descriptor.descriptor);
    DescriptorItem bad;
    ASSERT_TRUE(ParseDescriptorItem("Foky=Foty:Zz99", &bad, &error));
    descriptor.descriptor = NewDescriptorHandle({bad});
    const auto before = std::make_unique<Parameters>(*params);
    ReadScriptParams_qev();
    EXPECT_EQ(result, errReportString);
    EXPECT_EQ(std::memcmp(params.get(), before.get(), sizeof(Parameters)), 0);
    const std::string told(reinterpret_cast<const char*>(errorString + 1), errorString[0]);
    EXPECT_NE(told.find("Zz99"), std::string::npos) << told;

    // Hosts that fumble scripting are never asked.
    result = noErr;
    descriptor.descriptor = NewDescriptorHandle(items);
    record.hostSig = MakeFourCC("PSP8");
    data->showDialog = 7;
    EXPECT_FALSE(ScriptingParamsAreComing());
    EXPECT_EQ(ReadScriptParams_qev(), 0);
    EXPECT_EQ(data->showDialog, 7);
    EXPECT_NE(descriptor.descriptor, nullptr);
}

TEST_F(Persistence, CachedSettings) {
    params->outputMode = 94;
    params->cubemap_pixels = 640;
    ASSERT_EQ(Settings2Cache(kCachedSettingsName), 0);
    struct stat st;
    ASSERT_EQ(stat(Path(kCachedSettingsName).c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 99 * 4);

    GrabDefaultSettings(params.get());
    EXPECT_EQ(Cache2Settings(kCachedSettingsName), 0);
    EXPECT_EQ(params->outputMode, 94);
    EXPECT_EQ(params->cubemap_pixels, 640);

    // A damaged cache is refused and the settings stay; so does a missing one.
    ASSERT_EQ(truncate(Path(kCachedSettingsName).c_str(), 50), 0);
    params->outputMode = 12;
    EXPECT_NE(Cache2Settings(kCachedSettingsName), 0);
    EXPECT_EQ(params->outputMode, 12);
    unlink(Path(kCachedSettingsName).c_str());
    EXPECT_EQ(Cache2Settings(kCachedSettingsName), -43);
    EXPECT_EQ(params->outputMode, 12);
}

// Only a settings file read on request announces its name, and only when
// it was read; the cache, undo and dot reads announce nothing.
TEST_F(Persistence, OnlyARequestedSettingsFileAnnouncesItsName) {
    std::vector<std::string> names;
    NSNotificationCenter_addObserver(this, kNewPresetNameNotification,
                                     [&names](const NSUserInfo& info) { names.push_back(info.at(kPresetNameKey)); });
    ASSERT_EQ(FileZerp_WriteSettingsFile_path(Path("sunny day.q2q"), 0), 0);
    ASSERT_EQ(Settings2Cache(kCachedSettingsName), 0);
    ASSERT_EQ(FileZerp_saveToMemoryDot(2, gData), 0);
    EXPECT_EQ(FileZerp_ReadSettingsFile_path(Path("sunny day.q2q")), 0);
    EXPECT_EQ(names, std::vector<std::string>{"sunny day.q2q"});
    EXPECT_EQ(FileZerp_ReadSettingsFileQuietly(Path("sunny day.q2q")), 0);
    EXPECT_EQ(Cache2Settings(kCachedSettingsName), 0);
    EXPECT_EQ(FileZerp_loadFromMemoryDot(2, gData), 0);
    ASSERT_EQ(truncate(Path("sunny day.q2q").c_str(), 50), 0);
    EXPECT_NE(FileZerp_ReadSettingsFile_path(Path("sunny day.q2q")), 0);
    EXPECT_EQ(FileZerp_ReadSettingsFile_path(Path("missing.q2q")), -43);
    EXPECT_EQ(names.size(), 1u);
    NSNotificationCenter_removeObserver(this);
}

TEST_F(Persistence, MemoryDotMap) {
    for (int i = 0; i < kMemDotCount; ++i) MemDotIsPersistent[i] = i % 3 == 0 ? 1 : 0;
    gMemDotFlagsKnown = true;
    WriteInvocationBracketingSettingsFile(kMemDotMapName);
    FILE* f = std::fopen(Path(kMemDotMapName).c_str(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char bytes[200];
    const size_t n = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    EXPECT_EQ(n, size_t(kMemDotMapBytes));
    EXPECT_EQ(kMemDotMapBytes, 104);
    EXPECT_EQ(bytes[0] | bytes[1] | bytes[2], 0);
    EXPECT_EQ(bytes[3], 48);
    EXPECT_EQ(bytes[4 + 3], 1);
    EXPECT_EQ(bytes[8 + 3], 0);

    for (int32_t& flag : MemDotIsPersistent) flag = 0;
    gMemDotFlagsKnown = false;
    ReadInvocationBracketingSettingsFileCocoa(kMemDotMapName);
    EXPECT_TRUE(gMemDotFlagsKnown);
    for (int i = 0; i < kMemDotCount; ++i) EXPECT_EQ(MemDotIsPersistent[i], i % 3 == 0 ? 1 : 0) << i;
    for (int32_t& flag : MemDotIsPersistent) flag = 0;
    gMemDotFlagsKnown = false;
}

// The map is applied only when it is exactly the word 48 and 25 flags of 0
// or 1: a damaged map changes no flag (today's flags stay), and shut-down
// writes a sound one in its place.
TEST_F(Persistence, MalformedMemoryDotMapChangesNoFlag) {
    auto word = [](int32_t v) {
        return std::string{char(uint32_t(v) >> 24), char(uint32_t(v) >> 16), char(uint32_t(v) >> 8), char(v)};
    };
    auto map = [&](int32_t version, int flagCount, int32_t odd) {
        std::string bytes = word(version);
        for (int i = 0; i < flagCount; ++i) bytes += word(i == 7 ? odd : 1);
        return bytes;
    };
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"short by one flag", map(48, 24, 1)},
        {"short by one byte", map(48, 25, 1).substr(0, 103)},
        {"a flag too many", map(48, 26, 1)},
        {"a byte too many", map(48, 25, 1) + '\0'},
        {"version 47", map(47, 25, 1)},
        {"version 49", map(49, 25, 1)},
        {"a flag of 2", map(48, 25, 2)},
        {"a flag of -1", map(48, 25, -1)},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        FILE* f = std::fopen(Path(kMemDotMapName).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(c.bytes.data(), 1, c.bytes.size(), f);
        std::fclose(f);
        for (int i = 0; i < kMemDotCount; ++i) MemDotIsPersistent[i] = i % 2;
        gMemDotFlagsKnown = false;
        ReadInvocationBracketingSettingsFileCocoa(kMemDotMapName);
        EXPECT_TRUE(gMemDotFlagsKnown) << c.what;
        for (int i = 0; i < kMemDotCount; ++i) EXPECT_EQ(MemDotIsPersistent[i], i % 2) << c.what << ", flag " << i;
    }
    // The sound map of all ones is taken.
    FILE* f = std::fopen(Path(kMemDotMapName).c_str(), "wb");
    const std::string sound = map(48, 25, 1);
    std::fwrite(sound.data(), 1, sound.size(), f);
    std::fclose(f);
    ReadInvocationBracketingSettingsFileCocoa(kMemDotMapName);
    for (int i = 0; i < kMemDotCount; ++i) EXPECT_EQ(MemDotIsPersistent[i], 1) << i;
    for (int32_t& flag : MemDotIsPersistent) flag = 0;
    gMemDotFlagsKnown = false;
}

// Files written while the disk is full (the file-size limit stands in for
// it: writes past it fail with EFBIG): each write says it failed, the file it
// would have replaced keeps its old content, no half-written file is left in
// the folder, and an undo slot whose file was not written is not taken for
// one on file.
TEST_F(Persistence, WritesToAFullDiskFailAndKeepTheOldFiles) {
    for (int i = 0; i < kMemDotCount; ++i) MemDotIsPersistent[i] = i % 3 == 0;
    gMemDotFlagsKnown = true;
    params->outputMode = 94;
    ASSERT_EQ(Settings2Cache(kCachedSettingsName), 0);
    ASSERT_EQ(WriteInvocationBracketingSettingsFile(kMemDotMapName), 0);
    ASSERT_EQ(SaveToMemoryDotCocoa(4), 0);
    const char* dot = "Vornesk 2 A memory dot 4.q2q";
    UndoSnapshotCocoa(1);
    UndoSnapshotCocoa(1);
    const int32_t slot = data->undoSlot;
    ASSERT_EQ(storage->undoOnFile[slot], 1);
    auto contents = [&](const char* name) {
        std::string bytes;
        if (FILE* f = std::fopen(Path(name).c_str(), "rb")) {
            char buffer[4096];
            for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
            std::fclose(f);
        }
        return bytes;
    };
    const std::string names[] = {kCachedSettingsName, kMemDotMapName, dot, kUndoFileNames[0], kUndoFileNames[1]};
    std::vector<std::string> before;
    for (const std::string& n : names) before.push_back(contents(n.c_str()));

    params->outputMode = 95;
    for (int32_t& flag : MemDotIsPersistent) flag = 1;
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = saved;
    tiny.rlim_cur = 40;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const int16_t cache = Settings2Cache(kCachedSettingsName);
    const int16_t map = WriteInvocationBracketingSettingsFile(kMemDotMapName);
    const int16_t memoryDot = SaveToMemoryDotCocoa(4);
    UndoSnapshotCocoa(1);
    const int32_t failedSlot = data->undoSlot;
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_NE(cache, 0);
    EXPECT_NE(map, 0);
    EXPECT_NE(memoryDot, 0);
    EXPECT_EQ(storage->undoOnFile[failedSlot], 0);
    EXPECT_EQ(storage->undoFilled[failedSlot], 1);  // the snapshot itself is kept
    for (size_t i = 0; i < std::size(names); ++i) EXPECT_EQ(contents(names[i].c_str()), before[i]) << names[i];
    // Nothing else is left in the folder.
    int entries = 0;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) entries += e->d_name[0] != '.' || std::strlen(e->d_name) > 2;
        closedir(d);
    }
    EXPECT_EQ(entries, int(std::size(names)));
    // Undoing back to that snapshot takes its fields, not the stale file left
    // in its slot (written with output mode 94).
    UndoReadCocoa();
    EXPECT_EQ(params->outputMode, 94);
    UndoReadCocoa();
    EXPECT_EQ(params->outputMode, 95);

    // A name taken by a folder cannot be written either.
    ASSERT_EQ(unlink(Path(kCachedSettingsName).c_str()), 0);
    ASSERT_EQ(mkdir(Path(kCachedSettingsName).c_str(), 0755), 0);
    EXPECT_NE(Settings2Cache(kCachedSettingsName), 0);
    for (int32_t& flag : MemDotIsPersistent) flag = 0;
    gMemDotFlagsKnown = false;
}

TEST_F(Persistence, MemoryDotsKeepTheirSettings) {
    params->outputMode = 300;
    ASSERT_EQ(SaveToMemoryDotCocoa(3), 0);
    struct stat st;
    EXPECT_EQ(stat(Path("Vornesk 2 A memory dot 3.q2q").c_str(), &st), 0);
    params->outputMode = 4;
    EXPECT_EQ(LoadFromMemoryDotCocoa(3), 0);
    EXPECT_EQ(params->outputMode, 300);
    // A dot never saved answers -43 and leaves the settings.
    EXPECT_EQ(LoadFromMemoryDotCocoa(9), -43);
    EXPECT_EQ(params->outputMode, 300);
}

// A memory dot carries a preview of the result; the gallery reads it back
// at the size it wants.
TEST_F(Persistence, MemoryDotPreview) {
    BufferProcs procs{};
    InitPyramidProcs(&data->previewPyramid, &procs);
    ASSERT_EQ(TryToAllocatePyramid_2006(&data->previewPyramid, kPreviewSide, kPreviewSide, kPyrColour8, 0, 0), 1);
    for (int64_t y = 0; y < kPreviewSide; ++y)
        for (int64_t x = 0; x < kPreviewSide; ++x)
            set_pyramid_sample_point4(x, y, &data->previewPyramid, 0, x < 64 ? 250 : 10, 40, 200, 255);
    ASSERT_EQ(SaveToMemoryDotCocoa(2), 0);
    const int fd = open(Path("Vornesk 2 A memory dot 2.q2q").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    PyramidDescriptor small{};
    InitPyramidProcs(&small, &procs);
    params->outputMode = 33;
    EXPECT_EQ(LoadPresetPreviewIntoPyr_Thingie(fd, &small, data.get(), 32), 1);
    EXPECT_EQ(params->outputMode, 33);
    ASSERT_EQ(small.width[0], 32);
    const uint32_t left = get_pyramid_sample_point4_raw(4, 16, &small, 0);
    const uint32_t right = get_pyramid_sample_point4_raw(28, 16, &small, 0);
    EXPECT_NEAR(double(left >> 24), 250, 12);
    EXPECT_NEAR(double(right >> 24), 10, 12);
    EXPECT_NEAR(double((right >> 8) & 255), 200, 12);
    DisposePyramidData(&small);

    // A file without a preview gives 0 and paints nothing into the shared
    // preview, which the next save carries.
    ASSERT_EQ(Settings2Cache(kCachedSettingsName), 0);
    const uint32_t before = get_pyramid_sample_point4_raw(0, 10, &data->previewPyramid, 0);
    const int plain = open(Path(kCachedSettingsName).c_str(), O_RDONLY);
    EXPECT_EQ(LoadPresetPreviewIntoPyr_Thingie(plain, &small, data.get(), 32), 0);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 10, &data->previewPyramid, 0), before);
    DisposePyramidData(&data->previewPyramid);
}

TEST_F(Persistence, Undo) {
    UndoReadCocoa();   // before any snapshot: nothing
    EXPECT_EQ(params->outputMode, 1);

    params->outputMode = 5;
    params->cubemap_pixels = 300;   // not in the snapshot set: comes back from the undo file
    UndoSnapshotCocoa(1);
    params->outputMode = 7;
    params->cubemap_pixels = 400;
    SetPresetName(params.get(), "second");
    UndoSnapshotCocoa(1);
    struct stat st;
    EXPECT_EQ(stat(Path("Vornesk 2 undo 0").c_str(), &st), 0);
    EXPECT_EQ(stat(Path("Vornesk 2 undo 1").c_str(), &st), 0);

    params->outputMode = 9;
    UndoReadCocoa();
    EXPECT_EQ(params->outputMode, 5);
    EXPECT_EQ(params->cubemap_pixels, 300);
    UndoReadCocoa();   // a second undo returns to where the first began
    EXPECT_EQ(params->outputMode, 7);
    EXPECT_EQ(params->cubemap_pixels, 400);
    EXPECT_STREQ(params->presetName, "second");

    // Without files the snapshot fields alone come back.
    params->outputMode = 20;
    UndoSnapshotCocoa(0);
    params->outputMode = 21;
    UndoSnapshotCocoa(0);
    params->cubemap_pixels = 999;
    UndoReadCocoa();
    EXPECT_EQ(params->outputMode, 20);
    EXPECT_EQ(params->cubemap_pixels, 999);
}

TEST_F(Persistence, RenderSnapshot) {
    auto copy = Factory();
    params->outputMode = 62;
    params->latitude = 10;
    params->cubemap_pixels = 123;
    CopySnapshotFields(params.get(), copy.get());
    EXPECT_EQ(copy->outputMode, 62);
    EXPECT_EQ(copy->cubemap_pixels, 256);   // not in the set
    params->outputMode = 1;
    params->latitude = 0;
    UnFerreting(copy.get());
    EXPECT_EQ(params->outputMode, 62);
    EXPECT_FLOAT_EQ(params->latitude, 10);
    EXPECT_EQ(params->cubemap_pixels, 123);
}

}  // namespace
