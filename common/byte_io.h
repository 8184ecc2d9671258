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

int ReadBytes(int fd, void* buf, int64_t n);
int WriteBytes(int fd, const void* buf, int64_t n);

// The system's reason for the last failed write of a file (ENOSPC, EFBIG,
// EIO...): WriteBytes notes it, and so does any writer that calls write(2)
// itself. A file layer takes it (reading and clearing it) after a writer
// failed, to tell a failed write from a failure of what was to be written
// and to say why in the system's words. 0 when no write failed since.
void NoteWriteFailure(int error);
int TakeWriteFailure();

int NewRdSInt32(int32_t* dst, int fd);

int wrSInt32(int32_t v, int fd);

inline int OmphRdLong() { return 0; }
inline int OmphRead() { return 0; }
int TruncateFile(int fd);

// The steps of writing a whole file that a test can make fail: making the new
// file, the writes (the writer is handed a descriptor on which every write
// fails with ENOSPC, as on a full disk), the flush, the close and the rename.
enum class WriteStep { kOpen, kWrite, kFlush, kClose, kRename };
// A test hook, as for allocations: answers the system error number a step
// fails with, or 0 to let it run. Null (the default) lets every step run.
using WriteFailureHook = int (*)(WriteStep step);
void SetWriteFailureHook(WriteFailureHook hook);
// The failure the hook gives a step (0: none), for the writers that run
// those steps.
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
// Writes what is buffered and returns the first write failure, or 0.
int TatWrFlush(ByteTatter* t);
