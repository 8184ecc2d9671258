// Field-by-field file reading and writing over POSIX file descriptors.
// Numbers on disk are big-endian unless a name says little-endian.
//
// Result codes: 0 for success, the system error number when the read or write
// itself fails, kQevEndOfFile when the file ends before the field does. A
// reader that fails leaves its destination as it was, so a caller can keep a
// default. Operations given a null buffer return 99.
#pragma once

#include <cstdint>
#include <functional>

#include "common/strings.h"
#include "platform/host/result_codes.h"

// The file ended before all the bytes asked for were read (or written).
constexpr int kQevEndOfFile = eofErr;
constexpr int kQevNullBuffer = 99;
constexpr int kQevForkRefused = 999;

// Reads up to *count bytes; *count receives the bytes read, or -1.
int QevFSRead(int fd, int64_t* count, void* buf);
int QevFSWrite(int fd, int64_t count, const void* buf);
int ReadBytes(int fd, void* buf, int64_t n);
int WriteBytes(int fd, const void* buf, int64_t n);

// The system's reason for the last failed write of a file (ENOSPC, EFBIG,
// EIO...): WriteBytes notes it, and so does any writer that calls write(2)
// itself. A file layer takes it (reading and clearing it) after a writer
// failed, to tell a failed write from a failure of what was to be written
// and to say why in the system's words. 0 when no write failed since.
void NoteWriteFailure(int error);
int TakeWriteFailure();

void ReverseWord(void* p);
void ReverseShort(void* p);
int32_t make_native_SInt32_bigendian(int32_t v);
int16_t make_SInt16_bigendian(int32_t v);

int NewRdSInt32(int32_t* dst, int fd);
int NewRdShort(int16_t* dst, int fd);
int RdByte(uint8_t* dst, int fd);
// The byte read (0 to 255), or -1 at end of file or on failure.
int NEXTBYTE(int fd);
int ForkableRdLong(int32_t* dst, int fd, void* spare, int fork);
int IgnoreBytes(int64_t count, int fd);

int wrSInt32(int32_t v, int fd);
int wrSInt32_little_endian(int32_t v, int fd);
int wrShort(int32_t v, int fd);
int wrByte(int32_t v, int fd);
int wrPadBytes(int64_t count, int fd);

// A "small float" is the value times 100,000 as a signed 32-bit integer.
int32_t SmallFloatWord(float v);
int wrSmallFloat(float v, int fd);
int rdSmallFloat(float* dst, int fd);
int wrIEEEFloatSingle(float v, int fd);
int rdIEEEFloatSingle(float* dst, int fd);
int wrIEEEFloatSingle_little_endian(float v, int fd);
int rdIEEEFloatSingle_little_endian(float* dst, int fd);

int wrCString(const char* s, int fd);
int wrCStringWithoutNull(const char* s, int fd);
int wrStr255(const unsigned char* p, int fd);
// On failure p holds the empty string.
int rdStr255(unsigned char* p, int fd);
// Reads length + 1 bytes into buf (which needs that room) and always leaves
// buf terminated; fork 2 is refused.
int rdCStringGivenLength(char* buf, int64_t length, int fd, void* spare, int fork);

int wrAlias(const void* alias, int fd);
inline int OmphRdLong() { return 0; }
inline int OmphRead() { return 0; }
int QevCloseFile(int fd);
int TruncateFile(int fd);

// Writes the file at path whole or not at all: `write` fills a new file in
// the same folder, which is flushed to the disk, closed and then renamed over
// path (through a symbolic link, onto the file it names). 0, or the first
// failure of write (its code), of the flush, the close or the rename (the
// system error number); after a failure the new file is gone and whatever
// path held before is untouched. A path naming anything but a plain file is
// refused (EISDIR for a folder, EINVAL otherwise), and so is a write-protected
// file, even for root (EACCES); a replaced file keeps its permissions.
int WriteFileWhole(const char* path, const std::function<int(int fd)>& write);
// The steps of WriteFileWhole a test can make fail: making the new file, the
// writes (the writer is handed a descriptor on which every write fails with
// ENOSPC, as on a full disk), the flush, the close and the rename.
enum class WriteStep { kOpen, kWrite, kFlush, kClose, kRename };
// A test hook, as for allocations: answers the system error number a step
// fails with, or 0 to let it run. Null (the default) lets every step run.
using WriteFailureHook = int (*)(WriteStep step);
void SetWriteFailureHook(WriteFailureHook hook);
// The failure the hook gives a step (0: none), for other writers that run
// the same steps.
int InjectedWriteFailure(WriteStep step);
inline bool MacFileLegthIsZero() { return false; }

// Write-behind and read-ahead buffer for byte-at-a-time traffic. One record
// is used either for writing or for reading.
struct ByteTatter {
    unsigned char buffer[400];
    int64_t writeCount;  // bytes waiting in the buffer
    int64_t bytesLeft;   // bytes of the last refill not yet consumed
    int64_t readPos;     // next byte to consume
    int32_t fd;
    int32_t error;  // first write failure since TatStart, 0 when none
};

void TatStart(ByteTatter* t, int fd);
void TatWr1Byte(int b, ByteTatter* t);
void TatWrShort(int v, ByteTatter* t);
void TatWrSint32(int32_t v, ByteTatter* t);
// Both write what is buffered and return the first write failure, or 0.
int TatWrFlush(ByteTatter* t);
int TatWrFinish(ByteTatter* t);
void TatRdRefreshBuffer(ByteTatter* t);
// The next byte (0 to 255), or -1 at end of file or on failure.
int TatRdByte(ByteTatter* t);
