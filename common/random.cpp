#include "common/random.h"

#include <cstdlib>
#include <ctime>

const uint8_t the_rule[8] = {0, 1, 1, 1, 1, 0, 0, 0};

int16_t QDRandom() { return static_cast<int16_t>(random() & 0xFFFF); }

void ReseedOSRandomNumbers() { srandom(static_cast<unsigned>(std::time(nullptr))); }

int64_t twoNminus1_GE_x(int64_t x) {
    int64_t m = 1;
    while (m < x && m < 2147483647) m = m * 2 + 1;
    return m;
}

// Draws d until lo + (d & mask) lands in range; d is sign-extended, so its
// sign bits fill the upper bits of the mask. The span and the offset are
// unsigned, so ranges as wide as the whole 64-bit line cannot overflow.
template <class Draw>
static int64_t RangedDraw(int64_t a, int64_t b, Draw draw) {
    const int64_t lo = a < b ? a : b, hi = a < b ? b : a;
    const uint64_t span = uint64_t(hi) - uint64_t(lo);
    const uint64_t mask = uint64_t(twoNminus1_GE_x(span > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(span)));
    uint64_t offset;
    do offset = uint64_t(draw()) & mask;
    while (offset > span);
    return int64_t(uint64_t(lo) + offset);
}

int64_t RandomRange(int64_t a, int64_t b) {
    return RangedDraw(a, b, [] { return int64_t(QDRandom()) >> 4; });
}

void InitRule30Seeded(Rule30State* s, uint32_t seed) {
    for (int v = 0; v < 256; v++) {
        uint8_t inner = 0;
        for (int k = 1; k <= 6; k++) inner |= static_cast<uint8_t>(the_rule[(v >> (k - 1)) & 7] << k);
        s->interior[v] = inner;
        // bit 0: left is bit 1, centre bit 0, right is bit 7 of the right-hand byte
        s->lowEdge[v] = the_rule[((v >> 1) & 1) * 4 + (v & 1) * 2 + (v >> 7)];
        // bit 7: left is bit 0 of the left-hand byte, centre bit 7, right bit 6
        s->highEdge[v] = static_cast<uint8_t>(the_rule[(v & 1) * 4 + ((v >> 7) & 1) * 2 + ((v >> 6) & 1)] << 7);
    }
    s->cells[0] = static_cast<uint8_t>(seed >> 24);
    s->cells[1] = static_cast<uint8_t>(seed >> 16);
    s->cells[2] = static_cast<uint8_t>(seed >> 8);
    s->cells[3] = static_cast<uint8_t>((seed & 0xFF) + 64);
}

void InitRule30(Rule30State* s) { InitRule30Seeded(s, static_cast<uint32_t>(std::time(nullptr))); }
void InitRule30TimeSeeded(Rule30State* s) { InitRule30(s); }

uint32_t Rule30Word(const Rule30State* s) {
    return (uint32_t(s->cells[0]) << 24) | (uint32_t(s->cells[1]) << 16) | (uint32_t(s->cells[2]) << 8) |
           s->cells[3];
}

// One generation over cells held in registers; every new byte sees only old
// neighbours.
static inline void Step(const Rule30State* s, uint8_t c[4]) {
    uint8_t n[4];
    for (int i = 0; i < 4; i++) {
        const uint8_t right = c[(i + 1) & 3], left = c[(i + 3) & 3];
        n[i] = static_cast<uint8_t>(s->interior[c[i]] | s->lowEdge[(right & 128) | (c[i] & 3)] |
                                    s->highEdge[(c[i] & 192) | (left & 1)]);
    }
    for (int i = 0; i < 4; i++) c[i] = n[i];
}

// Runs `count` generations and collects the bit-0 values, the first highest.
static uint32_t CollectBits(Rule30State* s, int count) {
    uint8_t c[4] = {s->cells[0], s->cells[1], s->cells[2], s->cells[3]};
    uint32_t bits = 0;
    for (int i = 0; i < count; i++) {
        Step(s, c);
        bits = (bits << 1) | (c[3] & 1u);
    }
    for (int i = 0; i < 4; i++) s->cells[i] = c[i];
    return bits;
}

int GetRule30Bits(Rule30State* s) { return static_cast<int>(CollectBits(s, 1)); }
int GetRule30Nybble(Rule30State* s) { return static_cast<int>(CollectBits(s, 4)); }
int16_t GetRule30Short(Rule30State* s) { return static_cast<int16_t>(CollectBits(s, 16)); }
int16_t GetRule30ShortPositive(Rule30State* s) { return static_cast<int16_t>(GetRule30Short(s) & 0x7FFF); }
float GetRule30UnitFloat(Rule30State* s) { return static_cast<float>(CollectBits(s, 23)) * 0x1p-23f; }

int64_t GetRule30RandomRange(int64_t a, int64_t b, Rule30State* s) {
    return RangedDraw(a, b, [s] { return int64_t(GetRule30Short(s)); });
}

int SampleRule30Bit(const Rule30State* s, int n) {
    if (n < 0 || n > 31) return 0;
    return static_cast<int>((Rule30Word(s) >> (31 - n)) & 1);
}
