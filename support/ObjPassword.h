// Scrambling of password properties in the object streams: no key, only enough to keep a
// password from being read at a glance.
#pragma once

#include <string>

namespace qnexp {

// The scrambled form: a random byte X and its complement, then for every hexadecimal digit of
// the password (two upper-case digits per byte), in a random order, two hexadecimal digits of
// the digit's position and the digit. Positions have two digits, so passwords longer than 128
// bytes are stored as they are (unscrambled) rather than cut.
std::string ScramblePassword(const std::string& password);

// The password of a scrambled form. A text shorter than two bytes, or whose second byte is not
// the complement of its first, is a password stored as it is and returned unchanged. A damaged
// scrambled form (a bad digit, a position outside the text, a missing triple) raises
// EReadError "Invalid property value".
std::string UnscramblePassword(const std::string& stored);

}  // namespace qnexp
