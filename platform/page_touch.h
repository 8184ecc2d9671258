// Fresh memory that several threads are about to write for the first time:
// taking its pages one fault at a time from each thread makes them queue on
// the kernel's locks, which costs more processor time than the writes. The
// pages are taken here in one request from one thread instead.
#pragma once

#include <cstddef>

// Makes the whole pages inside [bytes, bytes + size) present and writable,
// as a first write would. Where the system cannot, nothing happens.
void PrefaultForWriting(void* bytes, size_t size);
