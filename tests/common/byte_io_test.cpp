#include "common/byte_io.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A temporary file, removed at the end of the test.
struct TempFile {
    std::string path;
    int fd = -1;
    TempFile() {
        char name[] = "/tmp/vk_byteio_XXXXXX";
        fd = mkstemp(name);
        path = name;
    }
    ~TempFile() {
        if (fd >= 0) close(fd);
        unlink(path.c_str());
    }
    std::vector<unsigned char> Bytes() const {
        std::vector<unsigned char> out;
        FILE* f = fopen(path.c_str(), "rb");
        int c;
        while (f && (c = fgetc(f)) != EOF) out.push_back(static_cast<unsigned char>(c));
        if (f) fclose(f);
        return out;
    }
    void Rewind() const { lseek(fd, 0, SEEK_SET); }
    void Write(const std::vector<unsigned char>& b) const {
        ASSERT_EQ(write(fd, b.data(), b.size()), ssize_t(b.size()));
        Rewind();
    }
};

using Bytes = std::vector<unsigned char>;

TEST(ByteIO, WritersProduceTheDocumentedBytes) {
    struct Case {
        const char* what;
        int (*write)(int fd);
        Bytes expected;
    } cases[] = {
        {"wrSInt32", [](int fd) { return wrSInt32(0x01020304, fd); }, {1, 2, 3, 4}},
        {"wrSInt32_le", [](int fd) { return wrSInt32_little_endian(0x01020304, fd); }, {4, 3, 2, 1}},
        {"wrShort", [](int fd) { return wrShort(0x12345678, fd); }, {0x56, 0x78}},
        {"wrByte", [](int fd) { return wrByte(0x1FF, fd); }, {0xFF}},
        {"small 1.5", [](int fd) { return wrSmallFloat(1.5f, fd); }, {0x00, 0x02, 0x49, 0xF0}},
        {"small -2.5", [](int fd) { return wrSmallFloat(-2.5f, fd); }, {0xFF, 0xFC, 0x2F, 0x70}},
        {"ieee", [](int fd) { return wrIEEEFloatSingle(1.0f, fd); }, {0x3F, 0x80, 0, 0}},
        {"ieee le", [](int fd) { return wrIEEEFloatSingle_little_endian(1.0f, fd); }, {0, 0, 0x80, 0x3F}},
        {"cstring", [](int fd) { return wrCString("ab", fd); }, {'a', 'b', 0}},
        {"no null", [](int fd) { return wrCStringWithoutNull("ab", fd); }, {'a', 'b'}},
        {"pad", [](int fd) { return wrPadBytes(3, fd); }, {0, 0, 0}},
        {"pad none", [](int fd) { return wrPadBytes(-2, fd); }, {}},
        {"alias", [](int fd) { return wrAlias(nullptr, fd); }, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        TempFile f;
        EXPECT_EQ(c.write(f.fd), 0) << c.what;
        EXPECT_EQ(f.Bytes(), c.expected) << c.what;
    }
    EXPECT_EQ(wrCString(nullptr, 1), 99);
    EXPECT_EQ(wrStr255(nullptr, 1), 99);
}

// A file written by the writers, decoded by Python's struct module.
TEST(ByteIO, BigEndianFileDecodesIndependently) {
    if (std::system("python3 -c 'import struct' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    TempFile f;
    const int32_t words[] = {0, 1, -1, 48, 0x7FFFFFFF, INT32_MIN, 123456789, -98765};
    for (int32_t w : words) wrSInt32(w, f.fd);
    wrShort(-2, f.fd);
    wrSmallFloat(3.25f, f.fd);
    wrIEEEFloatSingle(-0.75f, f.fd);
    const std::string cmd = "python3 -c \"import struct,sys; d=open(sys.argv[1],'rb').read(); "
                            "print(' '.join(str(v) for v in struct.unpack('>8ihif', d)))\" " + f.path;
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char line[512] = {};
    ASSERT_NE(fgets(line, sizeof line, p), nullptr);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_STREQ(line, "0 1 -1 48 2147483647 -2147483648 123456789 -98765 -2 325000 -0.75\n");
}

TEST(ByteIO, ReadersRoundTrip) {
    TempFile f;
    wrSInt32(-123456, f.fd);
    wrShort(-300, f.fd);
    wrByte(200, f.fd);
    wrSmallFloat(-2.5f, f.fd);
    wrIEEEFloatSingle(6.5f, f.fd);
    wrIEEEFloatSingle_little_endian(-1.25f, f.fd);
    wrCString("hello", f.fd);
    Str255 s = {3, 'a', 'b', 'c'};
    wrStr255(s, f.fd);
    f.Rewind();

    int32_t i32 = 0;
    int16_t i16 = 0;
    uint8_t u8 = 0;
    float small = 0, ieee = 0, ieeeLe = 0;
    char text[6];
    Str255 back;
    EXPECT_EQ(NewRdSInt32(&i32, f.fd), 0);
    EXPECT_EQ(NewRdShort(&i16, f.fd), 0);
    EXPECT_EQ(RdByte(&u8, f.fd), 0);
    EXPECT_EQ(rdSmallFloat(&small, f.fd), 0);
    EXPECT_EQ(rdIEEEFloatSingle(&ieee, f.fd), 0);
    EXPECT_EQ(rdIEEEFloatSingle_little_endian(&ieeeLe, f.fd), 0);
    EXPECT_EQ(rdCStringGivenLength(text, 5, f.fd, nullptr, 0), 0);
    EXPECT_EQ(rdStr255(back, f.fd), 0);
    EXPECT_EQ(i32, -123456);
    EXPECT_EQ(i16, -300);
    EXPECT_EQ(u8, 200);
    EXPECT_FLOAT_EQ(small, -2.5f);
    EXPECT_EQ(ieee, 6.5f);
    EXPECT_EQ(ieeeLe, -1.25f);
    EXPECT_STREQ(text, "hello");
    EXPECT_EQ(memcmp(back, s, 4), 0);
    EXPECT_EQ(NEXTBYTE(f.fd), -1);  // end of file
}

TEST(ByteIO, SmallFloatReadIsScaledInDouble) {
    TempFile f;
    f.Write({0x00, 0x01, 0x86, 0xA0});
    float v = 0;
    EXPECT_EQ(rdSmallFloat(&v, f.fd), 0);
    EXPECT_EQ(v, 1.0f);
    EXPECT_EQ(SmallFloatWord(1e30f), INT32_MAX);  // saturates instead of overflowing
    EXPECT_EQ(SmallFloatWord(-1e30f), INT32_MIN);
}

// A short read is reported and the destination keeps its old value.
TEST(ByteIO, ShortReadsAreReportedAndKeepTheOldValue) {
    TempFile f;
    f.Write({0xAA, 0xBB, 0xCC});
    int32_t i32 = 77;
    EXPECT_EQ(NewRdSInt32(&i32, f.fd), kQevEndOfFile);
    EXPECT_EQ(i32, 77);
    f.Rewind();
    EXPECT_EQ(ForkableRdLong(&i32, f.fd, nullptr, 1), 999);
    float fl = 4.0f;
    EXPECT_EQ(rdSmallFloat(&fl, f.fd), kQevEndOfFile);
    EXPECT_EQ(fl, 4.0f);
    f.Rewind();
    EXPECT_EQ(rdIEEEFloatSingle(&fl, f.fd), kQevEndOfFile);
    EXPECT_EQ(fl, 4.0f);
    f.Rewind();
    int16_t i16 = 5;
    uint8_t u8 = 9;
    EXPECT_EQ(NewRdShort(&i16, f.fd), 0);
    EXPECT_EQ(i16, int16_t(0xAABB));
    EXPECT_EQ(NewRdShort(&i16, f.fd), kQevEndOfFile);
    EXPECT_EQ(i16, int16_t(0xAABB));
    EXPECT_EQ(RdByte(&u8, f.fd), kQevEndOfFile);
    EXPECT_EQ(u8, 9);
    f.Rewind();
    Str255 s = {2, 'o', 'k'};
    EXPECT_EQ(rdStr255(s, f.fd), kQevEndOfFile);
    EXPECT_EQ(s[0], 0);
    f.Rewind();
    char buf[10] = "xxxxxxxxx";
    EXPECT_EQ(rdCStringGivenLength(buf, 8, f.fd, nullptr, 0), kQevEndOfFile);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(rdCStringGivenLength(buf, 8, f.fd, nullptr, 2), 99);
    f.Rewind();
    int64_t count = 10;
    unsigned char raw[10];
    EXPECT_EQ(QevFSRead(f.fd, &count, raw), kQevEndOfFile);
    EXPECT_EQ(count, 3);
    f.Rewind();
    EXPECT_EQ(ReadBytes(f.fd, raw, 4), kQevEndOfFile);
}

TEST(ByteIO, UnterminatedStringIsTerminated) {
    TempFile f;
    f.Write({'a', 'b', 'c', 'd'});
    char buf[4];
    EXPECT_EQ(rdCStringGivenLength(buf, 3, f.fd, nullptr, 0), 0);
    EXPECT_STREQ(buf, "abc");
}

TEST(ByteIO, FailedReadGivesTheSystemError) {
    int32_t v = 3;
    EXPECT_EQ(NewRdSInt32(&v, -1), EBADF);
    EXPECT_EQ(v, 3);
    EXPECT_EQ(NEXTBYTE(-1), -1);
    EXPECT_NE(wrSInt32(1, -1), 0);  // a failed write is reported too
}

TEST(ByteIO, IgnoreBytesSkipsAndReportsTheEnd) {
    TempFile f;
    Bytes data(600);
    for (size_t i = 0; i < data.size(); i++) data[i] = static_cast<unsigned char>(i);
    f.Write(data);
    EXPECT_EQ(IgnoreBytes(513, f.fd), 0);
    EXPECT_EQ(lseek(f.fd, 0, SEEK_CUR), 513);
    EXPECT_EQ(NEXTBYTE(f.fd), 513 & 0xFF);
    EXPECT_EQ(IgnoreBytes(0, f.fd), 0);
    EXPECT_EQ(IgnoreBytes(100, f.fd), kQevEndOfFile);
}

TEST(ByteIO, Swaps) {
    EXPECT_EQ(make_native_SInt32_bigendian(0x01020304), 0x04030201);
    EXPECT_EQ(make_SInt16_bigendian(0x123480), int16_t(0x8034));
    uint32_t w = 0x11223344;
    ReverseWord(&w);
    EXPECT_EQ(w, 0x44332211u);
    uint16_t s = 0xAABB;
    ReverseShort(&s);
    EXPECT_EQ(s, 0xBBAA);
}

TEST(ByteIO, TruncateAtCurrentPosition) {
    TempFile f;
    f.Write({1, 2, 3, 4, 5});
    lseek(f.fd, 2, SEEK_SET);
    EXPECT_EQ(TruncateFile(f.fd), 0);
    EXPECT_EQ(f.Bytes(), (Bytes {1, 2}));
}

TEST(ByteIO, TatterWritesInWholeBlocks) {
    TempFile f;
    ByteTatter t;
    TatStart(&t, f.fd);
    for (int i = 0; i < 401; i++) TatWr1Byte(i, &t);
    EXPECT_EQ(t.writeCount, 1);
    EXPECT_EQ(f.Bytes().size(), 400u);  // one block went out the moment it filled
    TatWrShort(0x0201, &t);
    TatWrSint32(make_native_SInt32_bigendian(0x0A0B0C0D), &t);
    EXPECT_EQ(TatWrFinish(&t), 0);
    const Bytes b = f.Bytes();
    ASSERT_EQ(b.size(), 407u);
    for (int i = 0; i < 401; i++) ASSERT_EQ(b[i], i & 0xFF);
    EXPECT_EQ(Bytes(b.begin() + 401, b.end()), (Bytes {1, 2, 0x0A, 0x0B, 0x0C, 0x0D}));
}

TEST(ByteIO, TatterReadsAcrossRefillsAndStopsAtTheEnd) {
    TempFile f;
    Bytes data(1000);
    for (size_t i = 0; i < data.size(); i++) data[i] = static_cast<unsigned char>(i * 7);
    f.Write(data);
    ByteTatter t;
    TatStart(&t, f.fd);
    for (size_t i = 0; i < data.size(); i++) ASSERT_EQ(TatRdByte(&t), data[i]) << i;
    EXPECT_EQ(TatRdByte(&t), -1);
    EXPECT_EQ(TatRdByte(&t), -1);
}

TEST(ByteIO, TatterReportsAFailedWrite) {
    ByteTatter t;
    TatStart(&t, -1);
    for (int i = 0; i < 450; i++) TatWr1Byte(i, &t);
    EXPECT_EQ(TatWrFinish(&t), EBADF);
}

}  // namespace

namespace {

std::string FileText(const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) text += char(c);
        std::fclose(f);
    }
    return text;
}

int CountEntries(const std::string& folder) {
    int n = 0;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) n += std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0;
        closedir(d);
    }
    return n;
}

// A file written whole replaces the old one only once all of it is on the
// disk: a writer that fails leaves the old file and no new one beside it; a
// link is written through; folders and devices are not replaced.
TEST(ByteIO, FilesAreWrittenWholeOrNotAtAll) {
    char tmpl[] = "/tmp/vk_whole_XXXXXX";
    const std::string folder = mkdtemp(tmpl);
    const std::string path = folder + "/settings";
    auto text = [](const char* t) { return [t](int fd) { return WriteBytes(fd, t, int64_t(std::strlen(t))); }; };
    EXPECT_EQ(WriteFileWhole(path.c_str(), text("first")), 0);
    EXPECT_EQ(FileText(path), "first");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0044, 0u);  // readable as a plainly created file is
    EXPECT_EQ(WriteFileWhole(path.c_str(), text("second")), 0);
    EXPECT_EQ(FileText(path), "second");

    // The writer fails part-way (as on a full disk).
    EXPECT_EQ(WriteFileWhole(path.c_str(), [](int fd) { return WriteBytes(fd, "par", 3) ? 1 : 28; }), 28);
    EXPECT_EQ(FileText(path), "second");
    EXPECT_EQ(CountEntries(folder), 1);
    // Writes into /dev/full fail as a full disk does.
    EXPECT_NE(WriteFileWhole(path.c_str(), [](int fd) {
                  const int full = open("/dev/full", O_WRONLY);
                  if (full < 0) return int(ENOSPC);
                  const int e = WriteBytes(full, "x", 1);
                  close(full);
                  return e ? e : WriteBytes(fd, "x", 1);
              }),
              0);
    EXPECT_EQ(FileText(path), "second");
    EXPECT_EQ(CountEntries(folder), 1);

    // A replaced file keeps its permissions; a write-protected one stays as
    // it is, even for root.
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    EXPECT_EQ(WriteFileWhole(path.c_str(), text("kept")), 0);
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(WriteFileWhole(path.c_str(), text("second")), EACCES);
    EXPECT_EQ(FileText(path), "kept");
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    EXPECT_EQ(WriteFileWhole(path.c_str(), text("second")), 0);
    EXPECT_EQ(CountEntries(folder), 1);

    // Through a link: the file it names changes, the link stays a link.
    const std::string link = folder + "/link";
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    EXPECT_EQ(WriteFileWhole(link.c_str(), text("third")), 0);
    EXPECT_EQ(FileText(path), "third");
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    // A folder, or a link to a device, is left alone.
    const std::string sub = folder + "/sub";
    ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
    EXPECT_EQ(WriteFileWhole(sub.c_str(), text("x")), EISDIR);
    const std::string device = folder + "/null";
    ASSERT_EQ(symlink("/dev/null", device.c_str()), 0);
    EXPECT_EQ(WriteFileWhole(device.c_str(), text("x")), EINVAL);
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(CountEntries(folder), 4);
    EXPECT_NE(WriteFileWhole((folder + "/missing/file").c_str(), text("x")), 0);
    std::system(("rm -rf '" + folder + "'").c_str());
}

}  // namespace
