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
    TempFile f;
    EXPECT_EQ(wrSInt32(0x01020304, f.fd), 0);
    EXPECT_EQ(f.Bytes(), (Bytes {1, 2, 3, 4}));
}

// A file written by the writers, decoded by Python's struct module.
TEST(ByteIO, BigEndianFileDecodesIndependently) {
    if (std::system("python3 -c 'import struct' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    TempFile f;
    const int32_t words[] = {0, 1, -1, 48, 0x7FFFFFFF, INT32_MIN, 123456789, -98765};
    for (int32_t w : words) wrSInt32(w, f.fd);
    const std::string cmd = "python3 -c \"import struct,sys; d=open(sys.argv[1],'rb').read(); "
                            "print(' '.join(str(v) for v in struct.unpack('>8i', d)))\" " + f.path;
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char line[512] = {};
    ASSERT_NE(fgets(line, sizeof line, p), nullptr);
    EXPECT_EQ(pclose(p), 0);
    EXPECT_STREQ(line, "0 1 -1 48 2147483647 -2147483648 123456789 -98765\n");
}

TEST(ByteIO, ReadersRoundTrip) {
    TempFile f;
    wrSInt32(-123456, f.fd);
    f.Rewind();
    int32_t i32 = 0;
    EXPECT_EQ(NewRdSInt32(&i32, f.fd), 0);
    EXPECT_EQ(i32, -123456);
    EXPECT_EQ(NewRdSInt32(&i32, f.fd), kQevEndOfFile);  // end of file
}

// A short read is reported and the destination keeps its old value.
TEST(ByteIO, ShortReadsAreReportedAndKeepTheOldValue) {
    TempFile f;
    f.Write({0xAA, 0xBB, 0xCC});
    int32_t i32 = 77;
    EXPECT_EQ(NewRdSInt32(&i32, f.fd), kQevEndOfFile);
    EXPECT_EQ(i32, 77);
    f.Rewind();
    unsigned char raw[10];
    EXPECT_EQ(ReadBytes(f.fd, raw, 4), kQevEndOfFile);
}

TEST(ByteIO, FailedReadGivesTheSystemError) {
    int32_t v = 3;
    EXPECT_EQ(NewRdSInt32(&v, -1), EBADF);
    EXPECT_EQ(v, 3);
    EXPECT_NE(wrSInt32(1, -1), 0);  // a failed write is reported too
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
    const Bytes b = f.Bytes();
    ASSERT_EQ(b.size(), 400u);  // one block went out the moment it filled
    for (int i = 0; i < 400; i++) ASSERT_EQ(b[i], i & 0xFF);
}

}  // namespace
