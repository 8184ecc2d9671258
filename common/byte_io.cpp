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

int ReadBytes(int fd, void* buf, int64_t n) {
    if (!buf) return kQevNullBuffer;
    return ReadExactly(fd, buf, n);
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

int wrSInt32(int32_t v, int fd) { return WriteWord(static_cast<uint32_t>(v), fd, true); }

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

void TatWr1Byte(int b, ByteTatter* t) {
    t->buffer[t->writeCount++] = static_cast<unsigned char>(b);
    if (t->writeCount >= static_cast<int64_t>(sizeof t->buffer)) TatWrFlush(t);
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
