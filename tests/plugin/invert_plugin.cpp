// A small filter plug-in that inverts the picture, used to drive the host
// end to end through the same selectors and record as the real plug-in.
//
// Its controls come from the environment variable VORNESK_TEST_INVERT,
// "KEY=VALUE" items separated by ';' (VALUE true, false, a whole number or
// a "string"), since the host passes only the real plug-in's settings keys
// (all optional):
//   "chnk" integer  width of the chunks it asks for (default 61; height 2/3 of it)
//   "cont" boolean  ask for chunks by returning from start/continue instead of advanceState
//   "self" boolean  apply the selection itself (autoMask off) instead of the host
//   "big " boolean  use 32-bit coordinates
//   "fail" integer  answer this result code at selector "fsel" (default 3)
//   "msg " string   the text reported with errReportString
//   "slow" integer  milliseconds to wait per chunk (to test cancelling)
//   "mark" string   a file to create once the first chunk is being worked on
// Every descriptor item and control it reads is written back at finish, after "Vers", "pixl"
// (pixels inverted), "mode", "dpth", "plns", "case", "sig " and "thrd".
// Asked for the result at a size of its own ("RsWd" and "RsHt", integers),
// it writes that result in rows of chunks (output rectangles addressing the
// result), each pixel the inverted nearest pixel of the picture, read in
// the rows the chunk needs.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/filter_record.h"
#include "platform/host/result_codes.h"

namespace {

struct EchoItem {
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t integer;
    double number;
    Boolean boolean;
    DescriptorEnumTypeID enumType;
    DescriptorEnumID enumValue;
    Str255 text;
};

// Lives in the host's data handle from prepare to finish.
struct InvertData {
    int32_t chunkWidth;
    int32_t chunkHeight;
    Boolean useContinue;
    Boolean selfMask;
    Boolean big;
    int32_t failCode;
    int32_t failSelector;
    int32_t slowMs;
    int32_t resultWidth;  // 0: the picture's own size
    int32_t resultHeight;
    int64_t pixels;
    VRect current;        // the chunk being exchanged in continue mode
    int32_t echoCount;
    EchoItem echo[32];
    Str255 message;
    Str255 mark;
};

// Lives in the record's parameter handle: the plug-in's settings proper.
struct InvertParameters {
    int32_t timesPrepared;
};

constexpr OSType K(const char (&s)[5]) { return MakeFourCC(s); }

VRect FilterRect(const FilterRecord* r, bool big) {
    if (big) return r->bigDocumentData->filterRect32;
    return VRect{r->filterRect.top, r->filterRect.left, r->filterRect.bottom, r->filterRect.right};
}

void Request(FilterRecord* r, bool big, const VRect& v) {
    if (big) {
        r->bigDocumentData->inRect32 = r->bigDocumentData->outRect32 = r->bigDocumentData->maskRect32 = v;
    } else {
        Rect q{int16_t(v.top), int16_t(v.left), int16_t(v.bottom), int16_t(v.right)};
        r->inRect = r->outRect = r->maskRect = q;
    }
    r->inLoPlane = r->outLoPlane = 0;
    r->inHiPlane = r->outHiPlane = int16_t(r->planes - 1);
}

// The chunk after `c` in rows of chunks over the filter rectangle; false at the end.
bool NextChunk(const FilterRecord* r, const InvertData* d, VRect* c) {
    VRect f = FilterRect(r, d->big);
    if (c->right <= c->left) {
        *c = VRect{f.top, f.left, f.top, f.left};
    } else if (c->right < f.right) {
        c->left = c->right;
    } else {
        c->left = f.left;
        c->top = c->bottom;
    }
    if (c->left == f.left) c->bottom = std::min(c->top + d->chunkHeight, f.bottom);
    c->right = std::min(c->left + d->chunkWidth, f.right);
    return c->top < f.bottom && c->left < c->right;
}

double Sample(const void* p, int32_t depth) {
    if (depth == 8) return *static_cast<const uint8_t*>(p) / 255.0;
    if (depth == 16) return *static_cast<const uint16_t*>(p) / 32768.0;
    return *static_cast<const float*>(p);
}

void Store(void* p, int32_t depth, double v) {
    if (depth == 8) {
        *static_cast<uint8_t*>(p) = uint8_t(std::lround(v * 255.0));
    } else if (depth == 16) {
        *static_cast<uint16_t*>(p) = uint16_t(std::lround(v * 32768.0));
    } else {
        *static_cast<float*>(p) = float(v);
    }
}

// Inverts the colour planes of the exchanged chunk; alpha is kept.
void InvertChunk(FilterRecord* r, InvertData* d, const VRect& c) {
    const int32_t bps = r->depth / 8, planes = r->planes;
    const bool masked = d->selfMask && r->haveMask && r->maskData;
    for (int32_t y = 0; y < c.bottom - c.top; ++y) {
        const uint8_t* in = static_cast<const uint8_t*>(r->inData) + size_t(y) * r->inRowBytes;
        uint8_t* out = static_cast<uint8_t*>(r->outData) + size_t(y) * r->outRowBytes;
        const uint8_t* mask = masked ? static_cast<const uint8_t*>(r->maskData) + size_t(y) * r->maskRowBytes : nullptr;
        for (int32_t x = 0; x < c.right - c.left; ++x) {
            for (int32_t p = 0; p < planes; ++p) {
                size_t at = (size_t(x) * planes + p) * bps;
                double v = Sample(in + at, r->depth);
                double result = p < r->inLayerPlanes ? 1.0 - v : v;
                if (mask) result = v + mask[x] / 255.0 * (result - v);
                if (r->depth == 32 || p >= r->inLayerPlanes || mask) {
                    Store(out + at, r->depth, result);
                } else if (bps == 1) {
                    out[at] = uint8_t(255 - in[at]);
                } else {
                    uint16_t s;
                    std::memcpy(&s, in + at, 2);
                    s = uint16_t(32768 - s);
                    std::memcpy(out + at, &s, 2);
                }
            }
        }
    }
    d->pixels += int64_t(c.bottom - c.top) * (c.right - c.left);
}

Handle NewHostHandle(FilterRecord* r, int32_t size) { return r->handleProcs->newProc(size); }

template <class T>
T* Lock(FilterRecord* r, Handle h) {
    return reinterpret_cast<T*>(r->handleProcs->lockProc(h, true));
}

void TakeItem(InvertData* d, const EchoItem& e) {
    const DescriptorKeyID key = e.key;
    if (key == K("chnk") && e.integer > 0) d->chunkWidth = e.integer;
    if (key == K("cont")) d->useContinue = e.boolean;
    if (key == K("self")) d->selfMask = e.boolean;
    if (key == K("big ")) d->big = e.boolean;
    if (key == K("fail")) d->failCode = e.integer;
    if (key == K("fsel")) d->failSelector = e.integer;
    if (key == K("slow")) d->slowMs = e.integer;
    if (key == K("msg ")) std::memcpy(d->message, e.text, sizeof d->message);
    if (key == K("mark")) std::memcpy(d->mark, e.text, sizeof d->mark);
    if (key == K("RsWd")) d->resultWidth = e.integer;
    if (key == K("RsHt")) d->resultHeight = e.integer;
    if (d->echoCount < 32) d->echo[d->echoCount++] = e;
}

// The controls of VORNESK_TEST_INVERT, as if they were descriptor items.
void ReadControls(InvertData* d) {
    const char* text = std::getenv("VORNESK_TEST_INVERT");
    while (text && std::strlen(text) >= 6 && text[4] == '=') {
        EchoItem e{};
        e.key = MakeFourCC(*reinterpret_cast<const char(*)[5]>(text));
        const char* value = text + 5;
        const char* end = std::strchr(value, ';');
        if (!end) end = value + std::strlen(value);
        const size_t n = size_t(end - value);
        if (n >= 2 && value[0] == '"') {
            e.type = typeString;
            e.text[0] = uint8_t(std::min<size_t>(n - 2, 255));
            std::memcpy(e.text + 1, value + 1, e.text[0]);
        } else if (std::strncmp(value, "true", n) == 0 || std::strncmp(value, "false", n) == 0) {
            e.type = typeBoolean;
            e.boolean = value[0] == 't';
        } else {
            e.type = typeInteger;
            e.integer = int32_t(std::strtol(value, nullptr, 10));
        }
        TakeItem(d, e);
        text = *end ? end + 1 : nullptr;
    }
}

void ReadSettings(FilterRecord* r, InvertData* d) {
    PIDescriptorParameters* dp = r->descriptorParameters;
    if (!dp || !dp->descriptor) return;
    const DescriptorKeyID keys[] = {K("chnk"), K("cont"), K("self"), K("fail"), 0};
    ReadDescriptorProcs* rp = dp->readDescriptorProcs;
    PIReadDescriptor reader = rp->openReadDescriptorProc(dp->descriptor, keys);
    if (!reader) return;
    DescriptorKeyID key;
    DescriptorTypeID type;
    int32_t flags;
    while (rp->getKeyProc(reader, &key, &type, &flags)) {
        EchoItem e{};
        e.key = key;
        e.type = type;
        if (type == typeInteger) rp->getIntegerProc(reader, &e.integer);
        if (type == typeFloat) rp->getFloatProc(reader, &e.number);
        if (type == typeBoolean) rp->getBooleanProc(reader, &e.boolean);
        if (type == typeEnumerated) rp->getEnumeratedProc(reader, &e.enumValue);
        if (type == typeString) rp->getStringProc(reader, &e.text);
        // The getter does not hand over the enumeration type: it follows from the key.
        if (type == typeEnumerated)
            e.enumType = key == K("Fiky") ? K("Fity") : key == K("Foky") ? K("Foty") : key == K("GLUE") ? K("GLty")
                       : key == K("Fgky") ? K("Fgty") : K("Echo");
        TakeItem(d, e);
    }
    rp->closeReadDescriptorProc(reader);
    r->handleProcs->disposeProc(dp->descriptor);
    dp->descriptor = nullptr;
}

void WriteSettings(FilterRecord* r, InvertData* d) {
    PIDescriptorParameters* dp = r->descriptorParameters;
    if (!dp) return;
    WriteDescriptorProcs* wp = dp->writeDescriptorProcs;
    PIWriteDescriptor w = wp->openWriteDescriptorProc();
    if (!w) return;
    const char* threads = std::getenv("VORNESK_ACTIVE_PROCESSORS");
    wp->putIntegerProc(w, K("Vers"), 1);
    wp->putIntegerProc(w, K("pixl"), int32_t(d->pixels));
    wp->putIntegerProc(w, K("mode"), r->imageMode);
    wp->putIntegerProc(w, K("dpth"), r->depth);
    wp->putIntegerProc(w, K("plns"), r->planes);
    wp->putIntegerProc(w, K("case"), r->filterCase);
    wp->putEnumeratedProc(w, K("sig "), K("Sign"), r->hostSig);
    wp->putIntegerProc(w, K("thrd"), threads ? std::atoi(threads) : 0);
    for (int32_t i = 0; i < d->echoCount; ++i) {
        const EchoItem& e = d->echo[i];
        if (e.type == typeInteger) wp->putIntegerProc(w, e.key, e.integer);
        if (e.type == typeFloat) wp->putFloatProc(w, e.key, &e.number);
        if (e.type == typeBoolean) wp->putBooleanProc(w, e.key, e.boolean);
        if (e.type == typeEnumerated) wp->putEnumeratedProc(w, e.key, e.enumType, e.enumValue);
        if (e.type == typeString) wp->putStringProc(w, e.key, e.text);
    }
    if (dp->descriptor) r->handleProcs->disposeProc(dp->descriptor);
    dp->descriptor = nullptr;
    wp->closeWriteDescriptorProc(w, &dp->descriptor);
    dp->recordInfo = plugInDialogDontDisplay;
}

OSErr Prepare(FilterRecord* r, intptr_t* data) {
    if (!r->handleProcs || !r->advanceState) return errPlugInHostInsufficient;
    if (!r->parameters) r->parameters = NewHostHandle(r, sizeof(InvertParameters));
    if (!*data) *data = reinterpret_cast<intptr_t>(NewHostHandle(r, sizeof(InvertData)));
    if (!r->parameters || !*data) return memFullErr;
    auto* p = Lock<InvertParameters>(r, r->parameters);
    auto* d = Lock<InvertData>(r, reinterpret_cast<Handle>(*data));
    if (!p || !d) return memFullErr;
    // New handles come zeroed: a fresh record needs only its defaults.
    ++p->timesPrepared;
    d->chunkWidth = 61;
    d->failSelector = filterSelectorStart;
    r->bufferSpace = 0;
    return r->maxSpace > 0 ? noErr : memFullErr;
}

OSErr Failing(FilterRecord* r, InvertData* d, int16_t selector) {
    if (d->failCode == 0 || d->failSelector != selector) return noErr;
    if (d->failCode == errReportString && r->errorString) std::memcpy(*r->errorString, d->message, sizeof(Str255));
    Request(r, d->big, VRect{0, 0, 0, 0});
    return OSErr(d->failCode);
}

// The result at a size of its own: bands of result rows, each with the
// picture's rows that its pixels' nearest pixels lie in.
OSErr StartAtResultSize(FilterRecord* r, InvertData* d) {
    const VRect f = FilterRect(r, d->big);
    const int32_t w = f.right - f.left, h = f.bottom - f.top, W = d->resultWidth, H = d->resultHeight;
    const int32_t bps = r->depth / 8, planes = r->planes;
    auto source = [](int32_t i, int32_t from, int32_t to) { return int32_t(int64_t(2 * i + 1) * from / (2 * to)); };
    for (int32_t top = 0; top < H; top += d->chunkHeight) {
        const int32_t bottom = std::min(H, top + d->chunkHeight);
        const int32_t first = source(top, h, H), last = source(bottom - 1, h, H);
        Request(r, d->big, VRect{f.top + first, f.left, f.top + last + 1, f.right});
        if (d->big) r->bigDocumentData->outRect32 = VRect{top, 0, bottom, W};
        else r->outRect = Rect{int16_t(top), 0, int16_t(bottom), int16_t(W)};
        r->maskRect = Rect{0, 0, 0, 0};
        if (d->big) r->bigDocumentData->maskRect32 = VRect{0, 0, 0, 0};
        if (OSErr err = r->advanceState()) return err;
        for (int32_t y = top; y < bottom; ++y) {
            const uint8_t* in = static_cast<const uint8_t*>(r->inData) + size_t(source(y, h, H) - first) * r->inRowBytes;
            uint8_t* out = static_cast<uint8_t*>(r->outData) + size_t(y - top) * r->outRowBytes;
            for (int32_t x = 0; x < W; ++x)
                for (int32_t p = 0; p < planes; ++p) {
                    const size_t from = (size_t(source(x, w, W)) * planes + p) * bps, to = (size_t(x) * planes + p) * bps;
                    const double v = Sample(in + from, r->depth);
                    Store(out + to, r->depth, p < r->inLayerPlanes ? 1.0 - v : v);
                }
        }
        d->pixels += int64_t(bottom - top) * W;
    }
    Request(r, d->big, VRect{0, 0, 0, 0});
    return noErr;
}

OSErr Start(FilterRecord* r, InvertData* d) {
    ReadSettings(r, d);
    ReadControls(d);
    d->chunkHeight = std::max(1, d->chunkWidth * 2 / 3);
    if (d->big) r->bigDocumentData->PluginUsing32BitCoordinates = 1;
    r->autoMask = !d->selfMask;
    if (OSErr err = Failing(r, d, filterSelectorStart)) return err;
    if (d->resultWidth > 0 && d->resultHeight > 0) return StartAtResultSize(r, d);
    d->current = VRect{0, 0, 0, 0};
    if (d->useContinue) {
        if (!NextChunk(r, d, &d->current)) d->current = VRect{0, 0, 0, 0};
        Request(r, d->big, d->current);
        return noErr;
    }
    VRect c{0, 0, 0, 0};
    const VRect f = FilterRect(r, d->big);
    const int64_t total = int64_t(f.bottom - f.top) * (f.right - f.left);
    while (NextChunk(r, d, &c)) {
        if (r->abortProc()) {
            Request(r, d->big, VRect{0, 0, 0, 0});
            return userCanceledErr;
        }
        if (d->mark[0]) {
            char path[256] = {};
            std::memcpy(path, d->mark + 1, d->mark[0]);
            if (FILE* f = std::fopen(path, "w")) std::fclose(f);
            d->mark[0] = 0;
        }
        if (d->slowMs > 0) usleep(useconds_t(d->slowMs) * 1000);
        Request(r, d->big, c);
        if (OSErr err = r->advanceState()) return err;
        InvertChunk(r, d, c);
        r->progressProc(int32_t(d->pixels * 1000 / std::max<int64_t>(total, 1)), 1000);
    }
    Request(r, d->big, VRect{0, 0, 0, 0});
    return noErr;
}

OSErr Continue(FilterRecord* r, InvertData* d) {
    if (OSErr err = Failing(r, d, filterSelectorContinue)) return err;
    if (r->abortProc()) {
        Request(r, d->big, VRect{0, 0, 0, 0});
        return userCanceledErr;
    }
    InvertChunk(r, d, d->current);
    if (!NextChunk(r, d, &d->current)) d->current = VRect{0, 0, 0, 0};
    Request(r, d->big, d->current);
    return noErr;
}

OSErr Finish(FilterRecord* r, intptr_t* data, InvertData* d) {
    OSErr err = Failing(r, d, filterSelectorFinish);
    if (!err) WriteSettings(r, d);
    // The working record ends with the run; the parameters stay with the host.
    r->handleProcs->unlockProc(reinterpret_cast<Handle>(*data));
    r->handleProcs->disposeProc(reinterpret_cast<Handle>(*data));
    *data = 0;
    return err;
}

}  // namespace

VORNESK_PLUGIN_EXPORT void PluginMain(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    if (selector == filterSelectorAbout) {
        *result = noErr;
        return;
    }
    if (selector == filterSelectorPrepare) {
        *result = Prepare(r, data);
    } else {
        auto* d = *data ? Lock<InvertData>(r, reinterpret_cast<Handle>(*data)) : nullptr;
        if (!d) {
            *result = filterBadParameters;
            return;
        }
        if (selector == filterSelectorStart) *result = Start(r, d);
        else if (selector == filterSelectorContinue) *result = Continue(r, d);
        else if (selector == filterSelectorFinish) *result = Finish(r, data, d);
        else *result = noErr;
    }
    if (*data) r->handleProcs->unlockProc(reinterpret_cast<Handle>(*data));
    if (r->parameters) r->handleProcs->unlockProc(r->parameters);
}
