// The scrambling of the archive body: every byte XORed with the top byte of the
// next state of a linear congruential generator (x 0x08088405 + 1, modulo 2^32),
// started from a seed folded from a key text. XOR makes it its own inverse: the same
// calls scramble and unscramble. The keystream depends only on the key and a byte's
// position in the stream, not on how the stream is cut into calls.
#pragma once

#include <cstddef>
#include <cstdint>

// The program-wide generator state: 0 at start and never seeded. ScrambleBuffer
// borrows it and gives it back unchanged.
extern uint32_t RandomSeed;

// The seed of a key. Character i (from 1) is added, shifted left by 8 x (i mod 4)
// bits, modulo 2^32: the first lands in bits 8-15. The length is counted in 16 bits,
// so only keys of up to 65,535 characters fold in full. The empty key folds to 0.
uint32_t FoldScrambleKey(const char* key, size_t length);

// Starts the keystream from the fold of key (null: the empty key).
void SetScrambleKey(const char* key);

// XORs count bytes in place with the next count keystream bytes; a count of 0 or
// less does nothing.
void ScrambleBuffer(uint8_t* buffer, int32_t count);

// Advances RandomSeed one step and returns the high 32 bits of range x RandomSeed:
// a value from 0 to range - 1.
uint32_t RandomBelow(uint32_t range);
