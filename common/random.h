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

int16_t QDRandom();
// Seeds random() from the clock; called once per invocation.
void ReseedOSRandomNumbers();
int64_t twoNminus1_GE_x(int64_t x);
// A value in [min(a, b), max(a, b)].
int64_t RandomRange(int64_t a, int64_t b);

void InitRule30Seeded(Rule30State* state, uint32_t seed);
void InitRule30(Rule30State* state);
void InitRule30TimeSeeded(Rule30State* state);
uint32_t Rule30Word(const Rule30State* state);
// One generation; returns bit 0 of the new ring.
int GetRule30Bits(Rule30State* state);
int GetRule30Nybble(Rule30State* state);
int16_t GetRule30Short(Rule30State* state);
int16_t GetRule30ShortPositive(Rule30State* state);
// 0 to 1 - 2^-23.
float GetRule30UnitFloat(Rule30State* state);
int64_t GetRule30RandomRange(int64_t a, int64_t b, Rule30State* state);
// Cell 31 - n of the ring without advancing; 0 for n outside 0 to 31.
int SampleRule30Bit(const Rule30State* state, int n);
