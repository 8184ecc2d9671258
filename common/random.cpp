#include "common/random.h"

#include <cstdlib>
#include <ctime>

const uint8_t the_rule[8] = {0, 1, 1, 1, 1, 0, 0, 0};

void ReseedOSRandomNumbers() { srandom(static_cast<unsigned>(std::time(nullptr))); }

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

int16_t GetRule30Short(Rule30State* s) { return static_cast<int16_t>(CollectBits(s, 16)); }
