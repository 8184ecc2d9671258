// The picture the host filters: grey or RGB, 8, 16 or 32-bit float samples,
// with or without a transparency plane, and an optional selection mask.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/page_touch.h"

// Leaves the bytes a resize adds unset, for a picture's samples that are
// written in full before they are read (a large picture is not zeroed first),
// and takes a large picture's memory in huge pages (NewPictureBlock).
template <class T>
struct UnsetOnResize : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UnsetOnResize<U>;
    };
    UnsetOnResize() = default;
    template <class U>
    UnsetOnResize(const UnsetOnResize<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
        void* p = NewPictureBlock(n * sizeof(T));
        if (!p) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t n) noexcept { DisposePictureBlock(p, n * sizeof(T)); }
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using SampleBytes = std::vector<uint8_t, UnsetOnResize<uint8_t>>;

struct HostDocument {
    int32_t width = 0;
    int32_t height = 0;
    int16_t colourPlanes = 3;    // 1 grey, 3 RGB
    bool hasAlpha = false;
    int32_t depth = 8;           // bits per sample: 8, 16 (0..32768) or 32 (float, 0..1)
    // Interleaved samples: per pixel the colour planes, then alpha.
    SampleBytes samples;
    // 8-bit selection, width x height; empty when nothing is selected.
    std::vector<uint8_t> mask;

    int16_t Planes() const { return int16_t(colourPlanes + (hasAlpha ? 1 : 0)); }
    int32_t BytesPerSample() const { return depth / 8; }
    size_t SampleCount() const { return size_t(width) * size_t(height) * size_t(Planes()); }
};

// Full-scale value of a depth: 255, 32768 or 1.
double FullScale(int32_t depth);

// Sample i (counted in samples, not bytes) as 0..1, and stored from 0..1
// (integers rounded and clamped; floats stored as they are).
inline double GetUnitSample(const HostDocument& doc, size_t i) {
    if (doc.depth == 8) return doc.samples[i] / 255.0;
    if (doc.depth == 16) {
        uint16_t v;
        std::memcpy(&v, &doc.samples[i * 2], 2);
        return v / 32768.0;
    }
    float f;
    std::memcpy(&f, &doc.samples[i * 4], 4);
    return f;
}

void SetUnitSample(HostDocument* doc, size_t i, double value);

// Whether a buffer of this many bytes is one this machine can hold: at most
// half its memory, so a header's claim ends in a message rather than the
// out-of-memory killer.
bool FitsInMemory(double bytes);

// What a read of a picture file may take. The file's size bounds what its
// header may claim; `memory` bounds the picture's samples (0: FitsInMemory);
// a mask asks for one size (width x height; 0 x 0 for any), compared with
// the header before anything is decoded.
// A caller's own check of the shape a header declares (samples of `depth`
// bits, planes with alpha), asked before anything is allocated: false, with
// *why, refuses the picture.
using PictureShapeCheck = std::function<bool(uint32_t width, uint32_t height, int planes, int depth, std::string* why)>;

struct PictureReadLimits {
    uint64_t fileSize = 0;
    double memory = 0;
    int32_t width = 0;
    int32_t height = 0;
    PictureShapeCheck check;
};

// The bytes a read within these limits may take for one buffer.
double LargestReadBuffer(const PictureReadLimits& limits);

// Whether a picture of the given shape is one the limits allow; if not,
// *error says why.
bool PictureWithinLimits(const PictureReadLimits& limits, uint32_t width, uint32_t height, int planes, int depth,
                         std::string* error);

// The caller's own check (limits.check) of a picture's shape, asked by
// every reader once the file is found to hold what its header declares and
// before the picture's memory is taken; true without one.
bool PictureShapeAccepted(const PictureReadLimits& limits, uint32_t width, uint32_t height, int planes, int depth,
                          std::string* error);

// Allocates the samples (zero, or left unset for a caller that writes every
// one) for the given shape; false when the size is absurd or memory runs out.
bool AllocateDocument(HostDocument* doc, int32_t width, int32_t height, int16_t colourPlanes, bool hasAlpha,
                      int32_t depth, std::string* error, bool zeroed = true);

// Resamples picture and mask to width x height (a triangle filter widened
// when shrinking; colour weighted by alpha so transparent pixels do not
// bleed). False only when memory runs out.
bool ResizeDocument(HostDocument* doc, int32_t width, int32_t height, std::string* error);

struct PictureSize {
    int32_t width;
    int32_t height;
};

// How far a picture may be reduced for a result without losing detail the
// result needs (never enlarged, never squeezed: one factor on both axes).
enum class PictureReduction {
    // Kept whole: discs, fisheyes and maps crowd parts of the sphere into few
    // pixels (a mirror ball's rim), which the result may spread out again.
    None,
    // An equirectangular picture read to an equirectangular result: reduced
    // until it just covers the result.
    Cover,
    // A cube map: reduced until its faces, whole cells, are as wide as the
    // result's longer side (a face can fill a view).
    CubeFaces,
};

// The size a picture of width x height goes to the plug-in at for a result
// of resultWidth x resultHeight; columns x rows are a cube map's cells.
PictureSize PictureSizeForResult(int32_t width, int32_t height, int32_t resultWidth, int32_t resultHeight,
                                 PictureReduction reduction, int32_t columns = 0, int32_t rows = 0);

// A cube map resized cell by cell: the picture is a grid of columns x rows
// cells, cell (c, r) the block of floor(width / columns) x floor(height /
// rows) pixels from (c * width / columns, r * height / rows), rounded down,
// as the plug-in cuts it; each is resampled from its own pixels alone into
// the same block of the new size, so faces never mix at their borders. The
// pixels between blocks and the selection are resized with the whole.
bool ResizeCubeCells(HostDocument* doc, int32_t width, int32_t height, int32_t columns, int32_t rows,
                     std::string* error);

// The same resampling of a picture read row by row instead of held whole:
// `shape` has its size and kind of samples (no samples, no mask); rowOf(y)
// answers row y's samples, valid until the calling thread asks for another,
// or null when the row cannot be read. It may be called from several
// threads at once. False, with the reason, when a row could not be read or
// memory runs out; *resized is then untouched. With a list of columns (in
// increasing order) only those are resampled and written; the other pixels
// are left for the caller.
bool ResizeRows(const HostDocument& shape, const std::function<const uint8_t*(int32_t)>& rowOf, int32_t width,
                int32_t height, HostDocument* resized, std::string* error,
                const std::vector<int32_t>* onlyColumns = nullptr);
