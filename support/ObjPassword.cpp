// Password scrambling for the object streams.
#include "support/ObjPassword.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "runtime/Exception.h"

namespace qnexp {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";
// Positions are written with two hexadecimal digits.
constexpr size_t MaxScrambledLength = 128;

// A generator of its own, so that scrambling never disturbs the language's Random sequence.
std::mt19937& Generator() {
  static std::mt19937 generator{std::random_device{}()};
  return generator;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

[[noreturn]] void RaiseDamaged() { throw EReadError(Msg::InvalidPropertyValue); }

}  // namespace

std::string ScramblePassword(const std::string& password) {
  if (password.size() > MaxScrambledLength) return password;
  std::string hex;
  for (unsigned char c : password) {
    hex += HexDigits[c >> 4];
    hex += HexDigits[c & 15];
  }
  uint8_t x = static_cast<uint8_t>(std::uniform_int_distribution<int>(1, 255)(Generator()));
  std::string result;
  result += static_cast<char>(x);
  result += static_cast<char>(~x);
  std::vector<size_t> order(hex.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::shuffle(order.begin(), order.end(), Generator());
  for (size_t p : order) {
    result += HexDigits[p >> 4];
    result += HexDigits[p & 15];
    result += hex[p];
  }
  return result;
}

std::string UnscramblePassword(const std::string& stored) {
  if (stored.size() < 2 || static_cast<uint8_t>(stored[1]) != static_cast<uint8_t>(~stored[0]))
    return stored;
  size_t length = (stored.size() - 2) / 3;
  if ((stored.size() - 2) % 3 != 0 || length % 2 != 0) RaiseDamaged();
  std::string hex(length, '\0');
  std::vector<bool> filled(length, false);
  for (size_t i = 2; i < stored.size(); i += 3) {
    int high = HexValue(stored[i]), low = HexValue(stored[i + 1]);
    if (high < 0 || low < 0) RaiseDamaged();
    size_t p = static_cast<size_t>(high * 16 + low);
    if (p >= length || filled[p]) RaiseDamaged();
    filled[p] = true;
    hex[p] = stored[i + 2];
  }
  std::string password;
  for (size_t i = 0; i < length; i += 2) {
    int high = HexValue(hex[i]), low = HexValue(hex[i + 1]);
    if (high < 0 || low < 0) RaiseDamaged();
    password += static_cast<char>(high * 16 + low);
  }
  return password;
}

}  // namespace qnexp
