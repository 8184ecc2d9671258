// The byte block shared by the IPTC and EXIF builders: a buffer with its
// length, cursor and capacity, filled once by a writer that can also measure.
#pragma once

#include <cstdint>
#include <cstring>

#include "common/memory.h"

// Appends count bytes at the cursor; returns the bytes written, or in measure
// mode the bytes it would write. A block without a buffer or without room
// takes nothing.
template <class Block>
int64_t ResourceAppend(Block* block, const uint8_t* bytes, int64_t count, bool measure) {
    if (measure) return count;
    if (!block || !block->buffer || count < 0 || block->length + count > block->capacity) return 0;
    if (count > 0) std::memcpy(block->cursor, bytes, size_t(count));
    block->cursor += count;
    block->length += count;
    return count;
}

template <class Block>
void ResourceDispose(Block* block, int keep) {
    if (!block || keep == 1) return;
    RobustDisposePtr(&block->buffer);
    block->cursor = nullptr;
    block->length = 0;
    block->capacity = 0;
}

// Runs write(measure) once into a buffer sized from its own measure (at least
// minimumBytes). A built block is left alone. Returns the measure in measure
// mode, else the block's length (0 when the buffer could not be allocated).
template <class Block, class Writer>
int64_t ResourceBuildOnce(Block* block, int64_t minimumBytes, bool measure, Writer write) {
    if (!block) return 0;
    if (measure) return write(true);
    if (block->buffer) return block->length;
    const int64_t need = write(true);
    const int64_t capacity = need > minimumBytes ? need : minimumBytes;
    block->buffer = static_cast<uint8_t*>(RobustNewPtr(size_t(capacity)));
    if (!block->buffer) return 0;
    block->capacity = capacity;
    block->cursor = block->buffer;
    block->length = 0;
    return write(false);
}
