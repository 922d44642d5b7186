// The process-wide pseudo-random generator.
#include "support/Random.h"

#include <random>

namespace qnexp {

namespace {

std::mt19937& Generator() {
  static std::mt19937 generator{std::random_device{}()};
  return generator;
}

}  // namespace

void RandomSeed(uint32_t seed) { Generator().seed(seed); }

void Randomize() { Generator().seed(std::random_device{}()); }

uint32_t RandomBits() { return static_cast<uint32_t>(Generator()()); }

int32_t RandomInt(int32_t range) {
  if (range <= 0) return 0;
  // Scaling the 32 bits keeps the draw to one call and the result strictly below range.
  uint64_t scaled = static_cast<uint64_t>(RandomBits()) * static_cast<uint64_t>(range);
  return static_cast<int32_t>(scaled >> 32);
}

}  // namespace qnexp
