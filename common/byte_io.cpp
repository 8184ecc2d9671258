#include "common/byte_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static int ErrnoCode() { return static_cast<int16_t>(errno); }

// Reads until n bytes arrived, the file ends or the read fails; a signal
// interrupting the read is not a failure.
static int64_t ReadFully(int fd, void* buf, int64_t n) {
    int64_t got = 0;
    while (got < n) {
        const ssize_t r = read(fd, static_cast<char*>(buf) + got, static_cast<size_t>(n - got));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        got += r;
    }
    return got;
}

static int ReadExactly(int fd, void* buf, int64_t n) {
    const int64_t got = ReadFully(fd, buf, n);
    if (got < 0) return ErrnoCode();
    return got < n ? kQevEndOfFile : 0;
}

int QevFSRead(int fd, int64_t* count, void* buf) {
    if (!count || !buf) return kQevNullBuffer;
    const int64_t want = *count;
    const int64_t got = ReadFully(fd, buf, want);
    *count = got;
    if (got < 0) return ErrnoCode();
    return got < want ? kQevEndOfFile : 0;
}

int WriteBytes(int fd, const void* buf, int64_t n) {
    if (!buf) return kQevNullBuffer;
    int64_t done = 0;
    while (done < n) {
        const ssize_t w = write(fd, static_cast<const char*>(buf) + done, static_cast<size_t>(n - done));
        if (w < 0) {
            if (errno == EINTR) continue;
            NoteWriteFailure(errno);
            return ErrnoCode();
        }
        if (w == 0) return kQevEndOfFile;
        done += w;
    }
    return 0;
}

int QevFSWrite(int fd, int64_t count, const void* buf) { return WriteBytes(fd, buf, count); }

int ReadBytes(int fd, void* buf, int64_t n) {
    if (!buf) return kQevNullBuffer;
    return ReadExactly(fd, buf, n);
}

void ReverseWord(void* p) {
    unsigned char* b = static_cast<unsigned char*>(p);
    std::swap(b[0], b[3]);
    std::swap(b[1], b[2]);
}
void ReverseShort(void* p) {
    unsigned char* b = static_cast<unsigned char*>(p);
    std::swap(b[0], b[1]);
}

int32_t make_native_SInt32_bigendian(int32_t v) {
    return static_cast<int32_t>(__builtin_bswap32(static_cast<uint32_t>(v)));
}
int16_t make_SInt16_bigendian(int32_t v) {
    return static_cast<int16_t>(__builtin_bswap16(static_cast<uint16_t>(v)));
}

static uint32_t BigEndianWord(const unsigned char* b) {
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
}
static void PutBigEndianWord(uint32_t v, unsigned char* b) {
    b[0] = static_cast<unsigned char>(v >> 24);
    b[1] = static_cast<unsigned char>(v >> 16);
    b[2] = static_cast<unsigned char>(v >> 8);
    b[3] = static_cast<unsigned char>(v);
}

// Reads a 4-byte field as an unsigned word in the given byte order.
static int ReadWord(uint32_t* w, int fd, bool bigEndian) {
    unsigned char b[4];
    const int err = ReadExactly(fd, b, 4);
    if (err) return err;
    *w = bigEndian ? BigEndianWord(b)
                   : (uint32_t(b[3]) << 24) | (uint32_t(b[2]) << 16) | (uint32_t(b[1]) << 8) | b[0];
    return 0;
}

static int WriteWord(uint32_t w, int fd, bool bigEndian) {
    unsigned char b[4];
    PutBigEndianWord(w, b);
    if (!bigEndian) {
        std::swap(b[0], b[3]);
        std::swap(b[1], b[2]);
    }
    return WriteBytes(fd, b, 4);
}

int NewRdSInt32(int32_t* dst, int fd) {
    if (!dst) return kQevNullBuffer;
    uint32_t w;
    const int err = ReadWord(&w, fd, true);
    if (!err) *dst = static_cast<int32_t>(w);
    return err;
}

int NewRdShort(int16_t* dst, int fd) {
    if (!dst) return kQevNullBuffer;
    unsigned char b[2];
    const int err = ReadExactly(fd, b, 2);
    if (!err) *dst = static_cast<int16_t>((b[0] << 8) | b[1]);
    return err;
}

int RdByte(uint8_t* dst, int fd) {
    if (!dst) return kQevNullBuffer;
    uint8_t b;
    const int err = ReadExactly(fd, &b, 1);
    if (!err) *dst = b;
    return err;
}

int NEXTBYTE(int fd) {
    uint8_t b;
    return ReadExactly(fd, &b, 1) ? -1 : b;
}

int ForkableRdLong(int32_t* dst, int fd, void*, int fork) {
    if (fork) return kQevForkRefused;
    return NewRdSInt32(dst, fd);
}

int IgnoreBytes(int64_t count, int fd) {
    if (count <= 0) return 0;
    unsigned char block[256];
    int err = 0;
    while (count > 256) {
        const int e = ReadExactly(fd, block, 256);
        if (e && !err) err = e;
        count -= 256;
    }
    while (count-- > 0) {
        const int e = ReadExactly(fd, block, 1);
        if (e && !err) err = e;
    }
    return err;
}

int wrSInt32(int32_t v, int fd) { return WriteWord(static_cast<uint32_t>(v), fd, true); }
int wrSInt32_little_endian(int32_t v, int fd) { return WriteWord(static_cast<uint32_t>(v), fd, false); }

int wrShort(int32_t v, int fd) {
    const unsigned char b[2] = {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    return WriteBytes(fd, b, 2);
}

int wrByte(int32_t v, int fd) {
    const unsigned char b = static_cast<unsigned char>(v);
    return WriteBytes(fd, &b, 1);
}

int wrPadBytes(int64_t count, int fd) {
    static const unsigned char zeros[512] = {};
    int err = 0;
    while (count > 0 && !err) {
        const int64_t n = count < 512 ? count : 512;
        err = WriteBytes(fd, zeros, n);
        count -= n;
    }
    return err;
}

// The product is formed in single precision and truncated toward zero;
// values beyond the word's range saturate instead of overflowing.
int32_t SmallFloatWord(float v) {
    const float scaled = v * 100000.0f;
    if (std::isnan(scaled)) return 0;
    if (scaled >= 2147483647.0f) return INT32_MAX;
    if (scaled <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

int wrSmallFloat(float v, int fd) { return wrSInt32(SmallFloatWord(v), fd); }

int rdSmallFloat(float* dst, int fd) {
    if (!dst) return kQevNullBuffer;
    int32_t w;
    const int err = NewRdSInt32(&w, fd);
    if (!err) *dst = static_cast<float>(w * 1e-5);
    return err;
}

static int WriteFloat(float v, int fd, bool bigEndian) {
    uint32_t w;
    std::memcpy(&w, &v, 4);
    return WriteWord(w, fd, bigEndian);
}
static int ReadFloat(float* dst, int fd, bool bigEndian) {
    if (!dst) return kQevNullBuffer;
    uint32_t w;
    const int err = ReadWord(&w, fd, bigEndian);
    if (!err) std::memcpy(dst, &w, 4);
    return err;
}

int wrIEEEFloatSingle(float v, int fd) { return WriteFloat(v, fd, true); }
int rdIEEEFloatSingle(float* dst, int fd) { return ReadFloat(dst, fd, true); }
int wrIEEEFloatSingle_little_endian(float v, int fd) { return WriteFloat(v, fd, false); }
int rdIEEEFloatSingle_little_endian(float* dst, int fd) { return ReadFloat(dst, fd, false); }

int wrCString(const char* s, int fd) {
    if (!s) return kQevNullBuffer;
    const int16_t n = qev_PIstrlen(s);
    int err = WriteBytes(fd, s, n);
    if (!err) err = wrByte(0, fd);  // the string may be longer than the scan
    return err;
}

int wrCStringWithoutNull(const char* s, int fd) {
    if (!s) return kQevNullBuffer;
    return WriteBytes(fd, s, qev_PIstrlen(s));
}

int wrStr255(const unsigned char* p, int fd) {
    if (!p) return kQevNullBuffer;
    return WriteBytes(fd, p, 256);
}

int rdStr255(unsigned char* p, int fd) {
    if (!p) return kQevNullBuffer;
    p[0] = 0;
    Str255 tmp;
    const int err = ReadExactly(fd, tmp, 256);
    if (!err) std::memcpy(p, tmp, 256);
    return err;
}

int rdCStringGivenLength(char* buf, int64_t length, int fd, void*, int fork) {
    if (!buf) return kQevNullBuffer;
    buf[0] = 0;
    if (fork == 2) return kQevNullBuffer;
    if (length < 0) return 0;
    const int err = ReadExactly(fd, buf, length + 1);
    // A damaged file may lack the terminator; never hand back an open string.
    if (err) buf[0] = 0;
    else buf[length] = 0;
    return err;
}

int wrAlias(const void*, int fd) { return wrSInt32(0, fd); }

int QevCloseFile(int fd) {
    close(fd);
    return 0;
}

int TruncateFile(int fd) {
    const off_t pos = lseek(fd, 0, SEEK_CUR);
    if (pos < 0) return -1;
    return ftruncate(fd, pos);
}

void TatStart(ByteTatter* t, int fd) {
    t->writeCount = 0;
    t->bytesLeft = 0;
    t->readPos = 0;
    t->fd = fd;
    t->error = 0;
}

int TatWrFlush(ByteTatter* t) {
    if (t->writeCount > 0) {
        const int err = WriteBytes(t->fd, t->buffer, t->writeCount);
        if (err && !t->error) t->error = err;
        t->writeCount = 0;
    }
    return t->error;
}
int TatWrFinish(ByteTatter* t) { return TatWrFlush(t); }

void TatWr1Byte(int b, ByteTatter* t) {
    t->buffer[t->writeCount++] = static_cast<unsigned char>(b);
    if (t->writeCount >= static_cast<int64_t>(sizeof t->buffer)) TatWrFlush(t);
}

void TatWrShort(int v, ByteTatter* t) {
    TatWr1Byte(v & 0xFF, t);
    TatWr1Byte((v >> 8) & 0xFF, t);
}

void TatWrSint32(int32_t v, ByteTatter* t) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) TatWr1Byte(static_cast<int>((u >> shift) & 0xFF), t);
}

void TatRdRefreshBuffer(ByteTatter* t) {
    const int64_t got = ReadFully(t->fd, t->buffer, sizeof t->buffer);
    t->bytesLeft = got < 0 ? 0 : got;
    t->readPos = 0;
}

int TatRdByte(ByteTatter* t) {
    if (t->bytesLeft < 1) TatRdRefreshBuffer(t);
    if (t->bytesLeft < 1) return -1;
    t->bytesLeft--;
    return t->buffer[t->readPos++];
}

namespace {
WriteFailureHook gWriteFailureHook = nullptr;
int Injected(WriteStep step) { return gWriteFailureHook ? gWriteFailureHook(step) : 0; }
// Written by whichever thread's write failed; a plain word is enough, since
// the file layer asks only after its writer has returned.
std::atomic<int> gLastWriteFailure{0};
}  // namespace

void SetWriteFailureHook(WriteFailureHook hook) { gWriteFailureHook = hook; }
int InjectedWriteFailure(WriteStep step) { return Injected(step); }

void NoteWriteFailure(int error) { gLastWriteFailure.store(error, std::memory_order_relaxed); }
int TakeWriteFailure() { return gLastWriteFailure.exchange(0, std::memory_order_relaxed); }

int WriteFileWhole(const char* path, const std::function<int(int fd)>& write) {
    if (!path || !*path) return ENOENT;
    // A link is written through: the new file goes beside the file it names.
    char resolved[PATH_MAX];
    std::string target = realpath(path, resolved) ? resolved : path;
    // Only a plain file is replaced (a folder or a device is not a file the
    // caller could mean).
    struct stat st;
    const bool exists = stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    // A write-protected file stays as it is, even for a user whom the system
    // would let write it.
    if (exists && ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(target.c_str(), W_OK) != 0))
        return EACCES;
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = folder + "/." + name + ".XXXXXX";
    if (const int injected = Injected(WriteStep::kOpen)) return injected;
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return ErrnoCode();
    // The replaced file's permissions, else those a plain creation would
    // give (mkostemp makes 0600).
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, exists ? st.st_mode & 07777 : 0644 & ~mask);
    int error = 0;
    if (Injected(WriteStep::kWrite)) {
        // Every write fails as on a full disk; the writer must say so.
        const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
        error = full < 0 ? ENOSPC : write(full);
        if (full >= 0) close(full);
    } else {
        error = write(fd);
    }
    if (!error) error = Injected(WriteStep::kFlush);
    if (!error && fsync(fd) != 0) error = ErrnoCode();
    if (close(fd) != 0 && !error) error = ErrnoCode();
    if (!error) error = Injected(WriteStep::kClose);
    if (!error) error = Injected(WriteStep::kRename);
    if (!error && std::rename(temporary.c_str(), target.c_str()) != 0) error = ErrnoCode();
    if (error) unlink(temporary.c_str());
    return error;
}
