// The readable text form of object streams, and the conversions between it and the binary form.
//
//   object [Name: ]ClassName
//     Property = value
//     object ChildName: ChildClass
//       ...
//     end
//   end
//
// Values: integers (decimal, or "$" and hexadecimal digits), floating numbers ("1.5", "2e10";
// with the suffix "c" a currency value, "d" a date value, "s" a single value), quoted strings
// with control characters as #number and pieces joined by "+", the identifiers True and False,
// other identifiers, [set, names], (list of values), <collection of item ... end> and
// {hexadecimal digits}. Identifiers may hold bytes from 0x80 up (two-byte characters) and, in
// property names, dots. Text is GBK; line breaks are LF (CR LF and CR are read too).
#pragma once

#include "runtime/Exception.h"

namespace qnexp {

class TStream;

// A text form that does not parse; the message names the line: "Line %d: %s".
class EParserError : public EReadError {
public:
  explicit EParserError(std::string message) : EReadError(std::move(message)) {}
};

// Reads a binary object stream from source (at its position) and writes its text form to
// dest. A null object gives the empty text. The binary stream's errors are the reader's
// (EReadError); an extended value that is not a finite number raises EWriteError "Invalid
// floating point value", since the text form has no spelling for it.
void ObjectBinaryToText(TStream& source, TStream& dest);

// Parses the text form from source (at its position) and writes the binary stream to dest:
// the signature, then the object. A text of nothing but blanks is the null object. Blocks
// written "inherited", or with an [index], get the prefix byte 0xF0 with their flags, which
// the object reader does not accept. Errors are EParserError; nesting deeper than
// MaxObjectNesting is one too.
void ObjectTextToBinary(TStream& source, TStream& dest);

}  // namespace qnexp
