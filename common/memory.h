// The memory convention of the whole system: blocks come from RobustNewPtr and
// go back through RobustDisposePtr, which also clears the caller's pointer so a
// second dispose is harmless.
#pragma once

#include <cstddef>
#include <cstdint>

// Status words, when given, receive -1 (the historical "operation touched me" mark).
void* RobustNewPtr(size_t size, int64_t* status = nullptr);
// A block of zeros, failing as RobustNewPtr fails. A large block comes
// straight from the system already cleared, so only the pages written later
// are ever touched (a polyhedron record is 35 MB, most of it never used).
void* RobustNewClearedPtr(size_t size);
// A picture's block (NewPictureBlock: in huge pages when large), failing as
// RobustNewPtr fails; it goes back with the size it was asked with.
void* RobustNewPictureBlock(size_t size);
void RobustDisposePictureBlock(void** ref, size_t size);
// Tests of out-of-memory paths: after `after` more calls succeed, the next
// `count` calls of RobustNewPtr return null (0 ends it).
void SetRobustNewPtrFailures(int64_t count, int64_t after = 0);

void RobustDisposePtr_untyped(void** ref, int64_t* status);

// Frees *ref when both ref and *ref are non-null, then sets *ref to null.
template <class T>
inline void RobustDisposePtr(T** ref, int64_t* status = nullptr) {
    RobustDisposePtr_untyped(reinterpret_cast<void**>(ref), status);
}
