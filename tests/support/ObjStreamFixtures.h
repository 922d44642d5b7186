// Persistable test classes shared by the object stream tests: one with a property of every
// kind, and small ones for nesting, renaming and common-class copies.
#pragma once

#include <cstring>
#include <string>

#include "runtime/Stream.h"
#include "runtime/StringList.h"
#include "runtime/Variant.h"
#include "support/BaseObject.h"
#include "support/ListContainer.h"
#include "support/QnList.h"
#include "support/ObjStream.h"

namespace qnexp::testing {

// Every property kind, each stored only when it differs from its default. Unlike plain lists,
// it owns the objects held by the lists in Strings and Items.
class TKinds : public TBaseObject {
  QN_CLASS(TKinds, TBaseObject)
public:
  TKinds() {
    std::memset(Comp, 0, sizeof Comp);
    std::memset(Sets, 0, sizeof Sets);
    std::memset(Short, 0, sizeof Short);
    std::memset(Bin, 0, sizeof Bin);
  }
  ~TKinds() override {
    FreePlainItems(Strings);
    FreePlainItems(Items);
    ReleaseProperties();
  }

  static void FreePlainItems(TObject* list) {
    TListClassType kind = GetListClassType(list);
    if (kind == lcStringList) {
      auto* strings = static_cast<TStringList*>(list);
      for (int i = 0; i < strings->Count(); ++i) {
        delete strings->GetObject(i);
        strings->PutObject(i, nullptr);
      }
    } else if (kind == lcList || kind == lcStack) {
      auto* entries = static_cast<TList*>(list);
      for (int i = 0; i < entries->Count(); ++i) {
        delete entries->Get(i);
        entries->Put(i, nullptr);
      }
    }
  }

  static constexpr const char* ColourNames = "Red,Green,Blue";

  bool EnumrateProperties(const TPropProcessor& cb, uint16_t purpose, void* param) override {
    if (!TBaseObject::EnumrateProperties(cb, purpose, param)) return false;
    auto any = [](const void* p, size_t n) {
      for (size_t i = 0; i < n; ++i)
        if (static_cast<const uint8_t*>(p)[i]) return true;
      return false;
    };
    return cb(&Str, "Str", ptString, !Str.empty(), 0, param) &&
           cb(&Pass, "Pass", ptPassword, !Pass.empty(), 0, param) &&
           cb(&Strings, "Strings", ptStrings, Strings != nullptr, 0, param) &&
           cb(&PChar, "PChar", ptPChar, PChar != nullptr, 0, param) &&
           cb(&Colour, "Colour", ptEnum, Colour != 0, reinterpret_cast<intptr_t>(ColourNames),
              param) &&
           cb(&Int, "Int", ptInteger, Int != 0, 0, param) &&
           cb(&Shortint, "Shortint", ptShortint, Shortint != 0, 0, param) &&
           cb(&Small, "Small", ptSmallInt, Small != 0, 0, param) &&
           cb(&Long, "Long", ptLongint, Long != 0, 0, param) &&
           cb(&Byte, "Byte", ptByte, Byte != 0, 0, param) &&
           cb(&Word, "Word", ptWord, Word != 0, 0, param) &&
           cb(&Card, "Card", ptCardinal, Card != 0, 0, param) &&
           cb(&Bool, "Bool", ptBoolean, Bool != 0, 0, param) &&
           cb(&ByteBool, "ByteBool", ptByteBool, ByteBool != 0, 0, param) &&
           cb(&WordBool, "WordBool", ptWordBool, WordBool != 0, 0, param) &&
           cb(&LongBool, "LongBool", ptLongBool, LongBool != 0, 0, param) &&
           cb(&Ch, "Ch", ptChar, Ch != 'A', 0, param) &&
           cb(&Real, "Real", ptReal, Real != 0, 0, param) &&
           cb(&Single, "Single", ptSingle, Single != 0, 0, param) &&
           cb(&Double, "Double", ptDouble, Double != 0, 0, param) &&
           cb(&Ext, "Ext", ptExtended, Ext != 0, 0, param) &&
           cb(Comp, "Comp", ptComp, any(Comp, 8), 0, param) &&
           cb(&Date, "Date", ptDate, Date != 0, 0, param) &&
           cb(&Time, "Time", ptTime, Time != 0, 0, param) &&
           cb(&Stamp, "Stamp", ptDateTime, Stamp != 0, 0, param) &&
           cb(Sets, "Set8", ptSet8, any(Sets, 1), 0, param) &&
           cb(Sets + 1, "Set16", ptSet16, any(Sets + 1, 2), 0, param) &&
           cb(Sets + 3, "Set32", ptSet32, any(Sets + 3, 4), 0, param) &&
           cb(Sets + 7, "Set64", ptSet64, any(Sets + 7, 8), 0, param) &&
           cb(Sets + 15, "Set128", ptSet128, any(Sets + 15, 16), 0, param) &&
           cb(Sets + 31, "Set256", ptSet256, any(Sets + 31, 32), 0, param) &&
           cb(Short, "Short", ptShortStr, Short[0] != 0, 0, param) &&
           cb(&Var, "Var", ptVariant, !Var.IsEmpty(), 0, param) &&
           cb(Bin, "Bin", ptBinary, any(Bin, sizeof Bin), sizeof Bin, param) &&
           cb(&Dyna, "Dyna", ptDynaData, Dyna != nullptr, 5, param) &&
           cb(&Child, "Child", ptObject, Child != nullptr, 0, param) &&
           cb(&Items, "Items", ptObjects, Items != nullptr, 0, param);
  }

  std::string Str, Pass;
  TObject* Strings = nullptr;
  char* PChar = nullptr;
  uint8_t Colour = 0;
  int32_t Int = 0;
  int8_t Shortint = 0;
  int16_t Small = 0;
  int32_t Long = 0;
  uint8_t Byte = 0;
  uint16_t Word = 0;
  uint32_t Card = 0;
  uint8_t Bool = 0, ByteBool = 0;
  uint16_t WordBool = 0;
  uint32_t LongBool = 0;
  char Ch = 'A';
  double Real = 0;
  float Single = 0;
  double Double = 0;
  long double Ext = 0;
  uint8_t Comp[8];
  double Date = 0, Time = 0, Stamp = 0;
  uint8_t Sets[63];
  uint8_t Short[256];
  TVariant Var;
  uint8_t Bin[6];
  uint8_t* Dyna = nullptr;
  TObject* Child = nullptr;
  TObject* Items = nullptr;
};

// A small record: a number, a name and an owned child.
class TNode : public TBaseObject {
  QN_CLASS(TNode, TBaseObject)
public:
  ~TNode() override { ReleaseProperties(); }
  bool EnumrateProperties(const TPropProcessor& cb, uint16_t purpose, void* param) override {
    if (!TBaseObject::EnumrateProperties(cb, purpose, param)) return false;
    return cb(&Number, "Number", ptInteger, Number != 0, 0, param) &&
           cb(&Name, "Name", ptString, !Name.empty(), 0, param) &&
           cb(&Next, "Next", ptObject, Next != nullptr, 0, param);
  }
  std::string GetObjCaption() override { return "node " + Name; }
  int32_t Number = 0;
  std::string Name;
  TObject* Next = nullptr;
};

// A descendant with one more property, and a sibling that shares only TNode's.
class TNodeEx : public TNode {
  QN_CLASS(TNodeEx, TNode)
public:
  bool EnumrateProperties(const TPropProcessor& cb, uint16_t purpose, void* param) override {
    if (!TNode::EnumrateProperties(cb, purpose, param)) return false;
    return cb(&Flag, "Flag", ptBoolean, Flag != 0, 0, param);
  }
  uint8_t Flag = 0;
};

class TNodeOther : public TNode {
  QN_CLASS(TNodeOther, TNode)
public:
  bool EnumrateProperties(const TPropProcessor& cb, uint16_t purpose, void* param) override {
    if (!TNode::EnumrateProperties(cb, purpose, param)) return false;
    return cb(&Note, "Note", ptString, !Note.empty(), 0, param);
  }
  std::string Note;
};

inline void RegisterTestClasses() {
  RegisterClasses({&TKinds::StaticClass(), &TNode::StaticClass(), &TNodeEx::StaticClass(),
                   &TNodeOther::StaticClass()});
}

// The binary stream of obj.
inline std::string BinaryOf(TObject* obj) {
  TMemoryStream stream;
  StreamWriteObject(stream, obj);
  return stream.TakeData();
}

// The object read from bytes (the caller owns it).
inline TObject* ReadBinary(const std::string& bytes) {
  TMemoryStream stream(bytes);
  return StreamReadObject(stream);
}

// The text form of obj, and the object read back from a text form.
inline std::string TextOf(TObject* obj) {
  TMemoryStream stream;
  SaveObjectToTextStream(obj, stream);
  return stream.TakeData();
}

inline TObject* ReadText(const std::string& text) {
  TMemoryStream stream(text);
  return LoadObjectFromTextStream(stream);
}

}  // namespace qnexp::testing
