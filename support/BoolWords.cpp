// The boolean words and letters of the process.
#include "support/BoolWords.h"

#include "runtime/GbkChars.h"

namespace qnexp {

namespace {

constexpr size_t MaxBoolWordLength = 10;

std::array<std::string, 2>& Words() {
  static std::array<std::string, 2> words{"No", "Yes"};
  return words;
}

std::array<char, 2>& Letters() {
  static std::array<char, 2> letters{'N', 'Y'};
  return letters;
}

std::string CutWord(std::string_view word) {
  size_t length = 0;
  while (length < word.size()) {
    size_t step = CharSize(word, length);
    if (length + step > MaxBoolWordLength) break;
    length += step;
  }
  return std::string(word.substr(0, length < word.size() ? length : word.size()));
}

}  // namespace

const std::array<std::string, 2>& BoolStrs() { return Words(); }

const std::array<char, 2>& BoolChars() { return Letters(); }

void SetBoolStrs(std::string_view falseWord, std::string_view trueWord) {
  Words() = {CutWord(falseWord), CutWord(trueWord)};
}

void SetBoolChars(char falseLetter, char trueLetter) { Letters() = {falseLetter, trueLetter}; }

}  // namespace qnexp
