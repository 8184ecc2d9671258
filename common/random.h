// Pseudo-random integers: wrappers over the C library's random(), and a
// self-contained Rule 30 cellular automaton on a ring of 32 cells whose whole
// state lives in a caller-owned record, so streams are independent and can be
// replayed from their seed.
#pragma once

#include <cstdint>

// Rule 30: entry 4·left + 2·centre + right is the cell's next state.
extern const uint8_t the_rule[8];

struct Rule30State {
    // The ring as the word W = c[0]·2^24 + c[1]·2^16 + c[2]·2^8 + c[3]; bit p's
    // left neighbour is bit p+1, its right neighbour bit p-1 (modulo 32).
    uint8_t cells[4];
    uint8_t interior[256];  // next states of bits 1 to 6 of a byte
    uint8_t lowEdge[256];   // next bit 0, by (right byte & 128) | (byte & 3)
    uint8_t highEdge[256];  // next bit 7, by (byte & 192) | (left byte & 1)
};

// Seeds random() from the clock; called once per invocation.
void ReseedOSRandomNumbers();

void InitRule30Seeded(Rule30State* state, uint32_t seed);
// Sixteen generations; their bit-0 values, the first highest.
int16_t GetRule30Short(Rule30State* state);
