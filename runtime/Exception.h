// The general error class of the system and its classic descendants.
// Every error the libraries raise derives from Exception; its message is GBK text.
#pragma once

#include <exception>
#include <string>

namespace qnexp {

// The general error: carries a GBK message. Everything the system raises derives from it,
// so an entry point can turn any failure into text.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : Message(std::move(message)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  std::string Message;
};

#define QNEXP_DECLARE_ERROR(Name, Parent)                               \
  class Name : public Parent {                                          \
  public:                                                               \
    explicit Name(std::string message) : Parent(std::move(message)) {}  \
  };

// Arithmetic errors.
QNEXP_DECLARE_ERROR(EMathError, Exception)
QNEXP_DECLARE_ERROR(EInvalidOp, EMathError)
QNEXP_DECLARE_ERROR(EZeroDivide, EMathError)
QNEXP_DECLARE_ERROR(EOverflow, EMathError)
QNEXP_DECLARE_ERROR(EUnderflow, EMathError)
QNEXP_DECLARE_ERROR(EIntError, Exception)
QNEXP_DECLARE_ERROR(EDivByZero, EIntError)
QNEXP_DECLARE_ERROR(EIntOverflow, EIntError)
QNEXP_DECLARE_ERROR(ERangeError, EIntError)

// Conversions, lists, variants.
QNEXP_DECLARE_ERROR(EConvertError, Exception)
QNEXP_DECLARE_ERROR(EListError, Exception)
QNEXP_DECLARE_ERROR(EVariantError, Exception)

// Streams and persistence.
QNEXP_DECLARE_ERROR(EStreamError, Exception)
QNEXP_DECLARE_ERROR(EFCreateError, EStreamError)
QNEXP_DECLARE_ERROR(EFOpenError, EStreamError)
QNEXP_DECLARE_ERROR(EFilerError, EStreamError)
QNEXP_DECLARE_ERROR(EReadError, EFilerError)
QNEXP_DECLARE_ERROR(EWriteError, EFilerError)
QNEXP_DECLARE_ERROR(EClassNotFound, EFilerError)

// Operating-system failures and deliberate aborts.
QNEXP_DECLARE_ERROR(EOSError, Exception)
QNEXP_DECLARE_ERROR(EAbort, Exception)

// Class casts and published properties.
QNEXP_DECLARE_ERROR(EInvalidCast, Exception)
QNEXP_DECLARE_ERROR(EPropertyError, Exception)

#undef QNEXP_DECLARE_ERROR

// The classic runtime messages (format texts for Format).
namespace Msg {
inline constexpr const char* InvalidInteger = "'%s' is not a valid integer value";
inline constexpr const char* InvalidFloat = "'%s' is not a valid floating point value";
inline constexpr const char* InvalidDate = "'%s' is not a valid date";
inline constexpr const char* InvalidTime = "'%s' is not a valid time";
inline constexpr const char* InvalidDateTime = "'%s' is not a valid date and time";
inline constexpr const char* InvalidFormat = "Format '%s' invalid or incompatible with argument";
inline constexpr const char* ArgumentMissing = "No argument for format '%s'";
inline constexpr const char* ListIndexError = "List index out of bounds (%d)";
inline constexpr const char* InvalidStreamFormat = "Invalid stream format";
inline constexpr const char* InvalidPropertyValue = "Invalid property value";
inline constexpr const char* ClassNotFound = "Class %s not found";
inline constexpr const char* DateEncodeError = "Invalid argument to date encode";
inline constexpr const char* TimeEncodeError = "Invalid argument to time encode";
inline constexpr const char* InvalidOp = "Invalid floating point operation";
inline constexpr const char* ZeroDivide = "Floating point division by zero";
inline constexpr const char* Overflow = "Floating point overflow";
inline constexpr const char* DivByZero = "Division by zero";
inline constexpr const char* IntOverflow = "Integer overflow";
inline constexpr const char* OperationAborted = "Operation aborted";
inline constexpr const char* OutOfMemory = "Out of memory";
inline constexpr const char* InvalidCast = "Invalid class typecast";
inline constexpr const char* UnknownProperty = "Property %s does not exist";
}  // namespace Msg

}  // namespace qnexp
