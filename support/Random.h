// The process-wide pseudo-random generator behind the language's Random function.
//
// One generator (a 32-bit Mersenne twister) serves the whole process. It is seeded from the
// operating system's entropy when first used, so every run draws differently; a host that
// needs a repeatable sequence reseeds it with RandomSeed. Not thread-safe, like the library.
#pragma once

#include <cstdint>

namespace qnexp {

// Restarts the generator from seed: the same seed always yields the same sequence.
void RandomSeed(uint32_t seed);

// Reseeds the generator from the operating system's entropy.
void Randomize();

// The next 32 random bits.
uint32_t RandomBits();

// A random integer r with 0 <= r < range, uniform up to a bias below range / 2^32; 0 for
// range <= 0, which consumes no draw.
int32_t RandomInt(int32_t range);

}  // namespace qnexp
