// Fresh memory that several threads are about to write for the first time:
// taking its pages one fault at a time from each thread makes them queue on
// the kernel's locks, which costs more processor time than the writes. The
// pages are taken here in one request from one thread instead.
#pragma once

#include <cstddef>

// Makes the whole pages inside [bytes, bytes + size) present and writable,
// as a first write would. Where the system cannot, nothing happens.
void PrefaultForWriting(void* bytes, size_t size);

// A block of `size` bytes for a picture or its levels (its bytes unset),
// or null. A large block is mapped on its own in huge pages where the
// system offers them: touching a fresh small page the first time costs
// some microseconds, far more than writing it (a 128 MiB level takes
// tenths of a second in small pages, hundredths in huge ones). A block
// goes back through DisposePictureBlock with the size it was asked with.
void* NewPictureBlock(size_t size);
void DisposePictureBlock(void* block, size_t size);
// True when NewPictureBlock(size) maps memory of its own, which reads as
// zeros until written: such a block needs no clearing, and clearing it
// would take all its pages at once.
bool PictureBlockStartsZeroed(size_t size);
