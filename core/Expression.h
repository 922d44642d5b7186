// The expression node: a typed value, up to three owned sub-expressions, an optional format
// expression, and the evaluation stamp. Nodes are not thread-safe: a tree is evaluated by one
// thread at a time.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>

#include "core/NodeMemory.h"
#include "runtime/Extended.h"
#include "support/BaseObject.h"

namespace qnexp {

// The evaluation error of a node whose argument is missing.
inline constexpr const char* kMsgTooFewArguments = "参数不够";

class TVariant;

// The value type of a node.
enum TExpDataType : uint8_t {
  etInteger,   // 32-bit signed, in IntValue
  etReal,      // 80-bit extended, in RealValue
  etBoolean,   // first byte of IntValue, 0 or 1
  etChar,      // first byte of IntValue
  etString,    // StrValue
  etDateTime,  // double overlaying the first 8 bytes of RealValue
  etAny,       // not known yet: fixed at the first evaluation or from a variant
  etInt64,     // int64_t overlaying the first 8 bytes of RealValue
};

// The name of a value type as hosts print it ("etInteger", ...).
const char* ExpDataTypeName(TExpDataType type);

// The value record. The members do not overlap each other, so a value of one type can leave
// stale contents in the members of the others; only the member of the current type counts.
struct TExpValueRec {
  std::string StrValue;
  int32_t IntValue = 0;
  long double RealValue = 0;
};

// The stamp a fresh node holds, and the stamp that forces recomputation.
inline constexpr int32_t kFreshStamp = 2147483647;
inline constexpr int32_t kForceStamp = -1;

// A node of an expression tree. The plain node is a constant: Calculate does nothing, so its
// value is whatever was put into it. Operators and functions derive from it.
//
// Choices where the original rules leave room (each is tested):
// - An etInt64 node reads and writes as the 64-bit integer it holds: its default format is
//   "%d", GetInteger gives the low 32 bits, GetReal and GetDateTime the value, GetBoolean
//   value > 0, and every Put stores into it like an integer (PutString reads a 64-bit integer
//   and raises the conversion error on a malformed text). GetValue/PutValue copy 8 bytes.
// - The character of an empty text is #0: GetChar of a node whose text is empty, and PutString
//   of an empty text into an etChar node, give character 0.
// - Integers put into an etBoolean node are normalised: a non-zero low byte stores 1.
// - A malformed text read as a real (GetReal of a text, PutString into etReal) gives 0.
// - The "Value" property of a non-text value is reported with a kind that describes the slot
//   in use: ptInteger for etInteger, etBoolean, etChar and etAny (IntValue), ptExtended for
//   etReal, ptDateTime for etDateTime and ptComp for etInt64 (the first 8 bytes of RealValue).
// - When loading, a node offers the sub-expression properties of all its slots
//   (MaxSubExpCount), since a new node has none in use yet.
class TExpression : public TBaseObject {
  QN_CLASS(TExpression, TBaseObject)
public:
  TExpression() = default;
  // Frees the format expression, then the sub-expressions from the last to the first.
  ~TExpression() override;

  // Nodes of every class come from the per-thread lists of freed node blocks.
  static void* operator new(std::size_t size) { return AllocateNodeMemory(size); }
  static void operator delete(void* block, std::size_t size) noexcept {
    FreeNodeMemory(block, size);
  }

  TExpDataType DataType = etInteger;
  // Set on the nodes a flattened evaluation program depends on: changing their slots or
  // freeing them counts in ShapeVersion, which tells the programs to rebuild.
  bool ShapeWatched = false;
  TExpValueRec Value;
  int32_t SyncFlag = kFreshStamp;

  // Counts the changes of watched nodes' slots and their frees.
  static inline uint64_t ShapeVersion = 0;

  // Computes the value from the sub-expressions; nothing in the plain node.
  virtual void Calculate() {}
  // Called by the translator once all operands are attached: fixes the result type and says
  // whether the node is acceptable. The plain node takes the type of slot 0.
  virtual bool TransOverOK();
  // One more than the highest non-empty slot (a gap below it counts as used).
  virtual int GetSubExpCount();
  virtual void SetSubExpCount(int count);
  // The node in slot index, or null for an empty slot or an index outside the slots.
  virtual TExpression* GetSubExp(int index);
  // The base slot index (0..2) itself, for classes that keep their operands there.
  TExpression* BaseSlot(int index) const { return SubExp[index]; }
  // Stores into slot index (0..2 in the plain node, other indices ignored); the previous
  // occupant is neither checked nor freed.
  virtual void PutSubExp(int index, TExpression* node);
  // The translator's validating store: false for a null node, else PutSubExp and true.
  virtual bool SetSubExp(int index, TExpression* node);
  // Raises Exception "表达式(<class>)计算错误：<message>".
  [[noreturn]] virtual void CalcError(const std::string& message);
  // The argument in slot index. Trees made by the translator always have it; a tree read from
  // a damaged stream or built by hand may not, and then this raises CalcError "参数不够"
  // (kMsgTooFewArguments) instead of reading through a null node.
  TExpression& Arg(int index);
  // Whether slot index holds an argument (optional arguments may be absent).
  bool Given(int index) { return GetSubExp(index) != nullptr; }
  // True when no slot in use holds a node whose value can change between evaluations.
  virtual bool IsConst();
  // A deep copy (sub-expressions and format expression); the caller owns it.
  virtual TExpression* CopySelf();
  // Evaluates the slots in use, then Calculate, unless stamp equals SyncFlag (and is not -1).
  virtual void Evaluate(int32_t stamp);
  // The number of slots the class can hold; what a loading node offers.
  virtual int MaxSubExpCount() { return 3; }

  bool EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                          void* param) override;

  // Typed accessors: reading converts from the node's type, writing converts into it; the
  // type never changes through a Put. See the conversion rules in Expression.cpp.
  std::string GetString();
  void PutString(const std::string& text);
  char GetChar();
  void PutChar(char c);
  // The reads and writes of a node's own type are inline: numeric evaluation stays cheap.
  int32_t GetInteger() { return DataType == etInteger ? Value.IntValue : ConvertedInteger(); }
  void PutInteger(int32_t v) {
    if (DataType == etInteger)
      Value.IntValue = v;
    else
      PutConvertedInteger(v);
  }
  int64_t GetInt64();
  void PutInt64(int64_t v);
  long double GetReal() { return DataType == etReal ? Value.RealValue : ConvertedReal(); }
  void PutReal(long double x) {
    if (DataType == etReal)
      Value.RealValue = x;
    else
      PutConvertedReal(x);
  }
  // The same for a double (hosts mostly hold doubles), stored without the floating-point
  // unit's costly 80-bit store.
  template <class Double>
    requires std::same_as<Double, double>
  void PutReal(Double x) {
    if (DataType == etReal)
      StoreDoubleAsExtended(x, Value.RealValue);
    else
      PutConvertedReal(x);
  }
  bool GetBoolean();
  void PutBoolean(bool b);
  double GetDateTime();
  void PutDateTime(double d);
  // A variant of the node's type; etAny leaves the variant unchanged.
  void GetVariantValue(TVariant& v);
  // An etAny node adopts the variant's type first; then the value is stored by type.
  void SetVariantValue(const TVariant& v);
  // Raw copies by type: etInteger 4 bytes, etReal 10, etBoolean and etChar 1, etString a
  // std::string, etDateTime and etInt64 8; etAny nothing.
  void GetValue(void* destination);
  void PutValue(const void* source);

  // The format text for GetString: the format expression's text when present and not empty,
  // else the type's default ("%d", "%g", "YYYY.MM.DD hh:nn:ss", "%s").
  std::string GetFormatStr();
  TExpression* GetFormatExp() const { return FormatExp; }
  // Frees the current format expression and takes ownership of node (which may be null).
  void SetFormatExp(TExpression* node);
  // Sets the stamp of this node and of every sub-expression below it (not the format's).
  void SetSyncFlag(int32_t stamp);

  // Copies type and value (a text value through GetString, so the source's format applies).
  void AssignValue(TExpression& source);
  // AssignValue, then a copy of the source's format expression when this node has none.
  void AssignFormatValue(TExpression& source);

  // The date-time and 64-bit integer overlays of RealValue.
  double DateTimeSlot() const;
  void SetDateTimeSlot(double d);
  int64_t Int64Slot() const;
  void SetInt64Slot(int64_t v);

protected:
  // The evaluation protocol for a class that keeps its operands in the base slots and whose
  // calculation no descendant replaces: the same steps as Evaluate, with the operands reached
  // and the calculation called directly.
  template <class Self>
  void EvaluateInSlots(int32_t stamp) {
    if (stamp == SyncFlag && stamp != kForceStamp) return;
    SyncFlag = stamp;
    for (TExpression* slot : SubExp) {
      if (!slot) break;
      slot->Evaluate(stamp);
    }
    if (DataType == etAny && SubExp[0]) DataType = SubExp[0]->DataType;
    static_cast<Self*>(this)->Self::Calculate();
  }

  TExpression* FormatExp = nullptr;
  TExpression* SubExp[3] = {nullptr, nullptr, nullptr};

private:
  int32_t ConvertedInteger();
  void PutConvertedInteger(int32_t v);
  long double ConvertedReal();
  void PutConvertedReal(long double x);
};

// The stamp test that opens an Evaluate: true when the node must be computed (the stamp is new,
// or the forcing one), and then the node takes the stamp.
inline bool TakeStamp(TExpression& self, int32_t stamp) {
  if (stamp == self.SyncFlag && stamp != kForceStamp) return false;
  self.SyncFlag = stamp;
  return true;
}

}  // namespace qnexp
