// The host's handle, buffer and descriptor procedures as a plug-in uses them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/host/buffers.h"
#include "platform/host/descriptors.h"
#include "platform/host/handles.h"
#include "platform/host/host_services.h"
#include "platform/host/result_codes.h"

namespace {

TEST(HostHandles, NewHandlesAreZeroedAndResizeKeepsContents) {
    HandleProcs* procs = HostServicesHandleProcs();
    ASSERT_EQ(procs->numHandleProcs, 8);
    Handle h = procs->newProc(1000);
    ASSERT_NE(h, nullptr);
    Ptr p = procs->lockProc(h, true);
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0) << i;
    std::memset(p, 7, 1000);
    // A locked handle keeps its address, so it cannot be resized.
    EXPECT_EQ(procs->setSizeProc(h, 5000), memLockedErr);
    procs->unlockProc(h);
    ASSERT_EQ(procs->setSizeProc(h, 5000), noErr);
    EXPECT_EQ(procs->getSizeProc(h), 5000);
    p = procs->lockProc(h, false);
    EXPECT_EQ(p[999], 7);
    EXPECT_EQ(p[1000], 0);
    EXPECT_EQ(p[4999], 0);
    procs->unlockProc(h);
    // Host handles are system handles: DisposeHandle frees them, twice is harmless.
    int32_t alive = HostHandlesAlive();
    DisposeHandle(h);
    EXPECT_EQ(HostHandlesAlive(), alive - 1);
    procs->disposeProc(h);
    EXPECT_EQ(procs->lockProc(h, false), nullptr);
    EXPECT_EQ(procs->newProc(-1), nullptr);
    Handle empty = NewHandle(0);
    EXPECT_NE(HLock(empty), nullptr);
    DisposeHandle(empty);
}

TEST(HostBuffers, AllocationsCountAgainstTheLimit) {
    BufferProcs* procs = HostServicesBufferProcs();
    // What is in use now, from the space left under the largest limit.
    SetHostBufferLimit(INT32_MAX);
    const int64_t inUse = INT32_MAX - int64_t(procs->spaceProc());
    SetHostBufferLimit(inUse + 10000);
    BufferID a = nullptr, b = nullptr, c = nullptr;
    ASSERT_EQ(procs->allocateProc(6000, &a), noErr);
    EXPECT_EQ(procs->spaceProc(), 4000);
    EXPECT_EQ(procs->allocateProc(6000, &b), memFullErr);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(procs->allocateProc(-5, &c), paramErr);
    Ptr p = procs->lockProc(a, true);
    ASSERT_NE(p, nullptr);
    std::memset(p, 1, 6000);
    procs->unlockProc(a);
    procs->freeProc(a);
    procs->freeProc(a);   // stale ids are ignored
    EXPECT_EQ(procs->lockProc(a, true), nullptr);
    ASSERT_EQ(procs->allocateProc(6000, &b), noErr);
    procs->freeProc(b);
    SetHostBufferLimit(-1);   // back to the default
}

DescriptorItem Parse(const std::string& text) {
    DescriptorItem item;
    std::string error;
    EXPECT_TRUE(ParseDescriptorItem(text, &item, &error)) << text << ": " << error;
    return item;
}

// A reader of the descriptor at its first key; null when it has none.
PIReadDescriptor OpenAtFirstKey(PIDescriptorHandle h, DescriptorKeyID* key, DescriptorTypeID* type) {
    ReadDescriptorProcs* r = HostServicesReadDescriptorProcs();
    const DescriptorKeyID keys[] = {0};
    PIReadDescriptor reader = r->openReadDescriptorProc(h, keys);
    int32_t flags = 0;
    if (reader && !r->getKeyProc(reader, key, type, &flags)) {
        r->closeReadDescriptorProc(reader);
        return nullptr;
    }
    return reader;
}

TEST(HostDescriptors, SettingsTextRoundTripsThroughAHandle) {
    const char* texts[] = {"Vers=48", "0034=12.5", "0035=-3.0", "0036=1e-20", "0011=true", "0017=false",
                           "Fiky=Fity:Fi01", "Foky=Foty:<NO>", "name=\"a \\\"quoted\\\" \\\\ word\"",
                           "0008=-2147483648"};
    std::vector<DescriptorItem> items;
    for (const char* t : texts) SetDescriptorItem(&items, Parse(t));
    SetDescriptorItem(&items, Parse("Vers=47"));   // replaces, keeps the place
    ASSERT_EQ(items.size(), std::size(texts));

    PIDescriptorHandle h = NewDescriptorHandle(items);
    std::vector<DescriptorItem> back;
    ASSERT_TRUE(DescriptorItemsFromHandle(h, &back));
    DisposeHandle(h);
    ASSERT_EQ(back.size(), items.size());
    EXPECT_EQ(FormatDescriptorItem(back[0]), "Vers=47");
    for (size_t i = 1; i < back.size(); ++i) EXPECT_EQ(FormatDescriptorItem(back[i]), texts[i]);
}

TEST(HostDescriptors, BadSettingsTextIsRefusedWithAReason) {
    for (const char* bad : {"Vers", "Ver=1", "Versi=1", "Vers=", "Vers=abc", "Vers=1.5x", "Vers=\"open",
                            "Vers=nan", "Fiky=Fity:Fi1"}) {
        DescriptorItem item;
        std::string error;
        EXPECT_FALSE(ParseDescriptorItem(bad, &item, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(HostDescriptors, PluginWritesThenReadsWithConversions) {
    WriteDescriptorProcs* w = HostServicesWriteDescriptorProcs();
    ReadDescriptorProcs* r = HostServicesReadDescriptorProcs();
    PIWriteDescriptor writer = w->openWriteDescriptorProc();
    ASSERT_NE(writer, nullptr);
    double f = 2.75;
    unsigned char s[] = "\x05hello";
    EXPECT_EQ(w->putIntegerProc(writer, MakeFourCC("hqpr"), 1), noErr);
    EXPECT_EQ(w->putFloatProc(writer, MakeFourCC("0034"), &f), noErr);
    EXPECT_EQ(w->putBooleanProc(writer, MakeFourCC("0011"), 1), noErr);
    EXPECT_EQ(w->putEnumeratedProc(writer, MakeFourCC("Foky"), MakeFourCC("Foty"), MakeFourCC("Fo70")), noErr);
    EXPECT_EQ(w->putStringProc(writer, MakeFourCC("name"), s), noErr);
    PIDescriptorHandle h = nullptr;
    ASSERT_EQ(w->closeWriteDescriptorProc(writer, &h), noErr);
    ASSERT_NE(h, nullptr);

    const DescriptorKeyID keys[] = {MakeFourCC("hqpr"), 0};
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t flags;
    PIReadDescriptor reader = OpenAtFirstKey(h, &key, &type);
    ASSERT_NE(reader, nullptr);
    // An integer read with the boolean getter, as settings written as numbers are.
    EXPECT_EQ(key, MakeFourCC("hqpr"));
    EXPECT_EQ(type, typeInteger);
    Boolean b = 0;
    EXPECT_EQ(r->getBooleanProc(reader, &b), noErr);
    EXPECT_EQ(b, 1);
    ASSERT_TRUE(r->getKeyProc(reader, &key, &type, &flags));
    int32_t n = 0;
    EXPECT_EQ(r->getIntegerProc(reader, &n), noErr);
    EXPECT_EQ(n, 3);   // 2.75 rounded
    double d = 0;
    EXPECT_EQ(r->getFloatProc(reader, &d), noErr);
    EXPECT_EQ(d, 2.75);
    ASSERT_TRUE(r->getKeyProc(reader, &key, &type, &flags));
    EXPECT_EQ(r->getBooleanProc(reader, &b), noErr);
    EXPECT_EQ(b, 1);
    ASSERT_TRUE(r->getKeyProc(reader, &key, &type, &flags));
    DescriptorEnumID e = 0;
    EXPECT_EQ(r->getEnumeratedProc(reader, &e), noErr);
    EXPECT_EQ(e, MakeFourCC("Fo70"));
    // A mismatch leaves the destination alone and is reported at close.
    n = 42;
    EXPECT_EQ(r->getIntegerProc(reader, &n), errWrongDescriptorType);
    EXPECT_EQ(n, 42);
    ASSERT_TRUE(r->getKeyProc(reader, &key, &type, &flags));
    Str255 text;
    EXPECT_EQ(r->getStringProc(reader, &text), noErr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), "hello");
    EXPECT_FALSE(r->getKeyProc(reader, &key, &type, &flags));
    EXPECT_EQ(r->closeReadDescriptorProc(reader), errWrongDescriptorType);
    DisposeHandle(h);

    EXPECT_EQ(r->openReadDescriptorProc(nullptr, keys), nullptr);
    Handle junk = NewHandle(3);
    EXPECT_EQ(r->openReadDescriptorProc(junk, keys), nullptr);
    DisposeHandle(junk);
}

// A file path travels whole, however long: as text it would end at 255 bytes.
TEST(HostDescriptors, PathsTravelWholeAsAliases) {
    const std::string path = "/" + std::string(300, 'a') + "/\"b\" \\ c.psd";
    Handle given = NewHandle(int32_t(path.size() + 1));
    std::memcpy(HandleAddress(given), path.c_str(), path.size() + 1);
    WriteDescriptorProcs* w = HostServicesWriteDescriptorProcs();
    ReadDescriptorProcs* r = HostServicesReadDescriptorProcs();
    EXPECT_GE(r->numReadDescriptorProcs, 9);
    EXPECT_GE(w->numWriteDescriptorProcs, 8);
    PIWriteDescriptor writer = w->openWriteDescriptorProc();
    ASSERT_EQ(w->putAliasProc(writer, MakeFourCC("Exfl"), given), noErr);
    DisposeHandle(given);
    PIDescriptorHandle h = nullptr;
    ASSERT_EQ(w->closeWriteDescriptorProc(writer, &h), noErr);

    // Through the handle and the text form and back.
    std::vector<DescriptorItem> items;
    ASSERT_TRUE(DescriptorItemsFromHandle(h, &items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].type, typeAlias);
    EXPECT_EQ(items[0].text, path);
    const std::string text = FormatDescriptorItem(items[0]);
    EXPECT_EQ(text.rfind("Exfl=alis:\"/aaa", 0), 0u) << text;
    EXPECT_EQ(Parse(text).text, path);

    DescriptorKeyID key;
    DescriptorTypeID type;
    PIReadDescriptor reader = OpenAtFirstKey(h, &key, &type);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(type, typeAlias);
    // Not a string: a path is no setting of 255 bytes.
    Str255 cut;
    EXPECT_EQ(r->getStringProc(reader, &cut), errWrongDescriptorType);
    Handle back = nullptr;
    ASSERT_EQ(r->getAliasProc(reader, &back), noErr);
    EXPECT_EQ(std::string(HandleAddress(back)), path);
    DisposeHandle(back);
    r->closeReadDescriptorProc(reader);
    DisposeHandle(h);

    DescriptorItem item;
    std::string error;
    EXPECT_FALSE(ParseDescriptorItem("Exfl=alis:\"a\\", &item, &error));
    EXPECT_FALSE(ParseDescriptorItem("name=\"" + std::string(256, 'x') + "\"", &item, &error));
}

TEST(HostServices, BasicSuiteOffersNoSuitesAndColourServicesConvertGrey) {
    SPBasicSuite* basic = HostServicesBasicSuite();
    const void* suite = &basic;
    EXPECT_EQ(basic->AcquireSuite("Photoshop Handle Suite for Plug-ins", 2, &suite), kSPSuiteNotFoundError);
    EXPECT_EQ(suite, nullptr);
    ColorServicesInfo info{};
    info.selector = colorServicesConvertColor;
    info.sourceSpace = colorSpaceRGB;
    info.resultSpace = colorSpaceGrey;
    info.colorComponents[0] = 200;
    info.colorComponents[1] = 100;
    info.colorComponents[2] = 50;
    ASSERT_EQ(HostServicesColorServices()(&info), noErr);
    EXPECT_EQ(info.colorComponents[0], 125);   // 60 + 59 + 5.5 rounded
    info.selector = colorServicesChooseColor;
    EXPECT_NE(HostServicesColorServices()(&info), noErr);
    EXPECT_STREQ(HostResultInWords(memFullErr), "out of memory (-108)");
    EXPECT_STREQ(HostResultInWords(1234), "unknown error (1234)");
}

}  // namespace
