// The stored string list: forwarding to the owned keyed list, plain-lines files and streams,
// and its persistence.
#include "support/StoredStrList.h"


#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <istream>
#include <iterator>
#include <memory>
#include <ostream>

#include "platform/AtomicFile.h"
#include "platform/OsText.h"
#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/Gbk.h"
#include "runtime/Stream.h"
#include "support/ObjReader.h"

namespace qnexp {

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

// GBK text of a file or stream; UTF-8 marked with a byte-order mark is converted.
std::string ToListText(std::string bytes) {
  if (bytes.compare(0, Utf8Mark.size(), Utf8Mark) == 0)
    return Utf8ToGbk(std::string_view(bytes).substr(Utf8Mark.size()));
  return bytes;
}

[[noreturn]] void RaiseCannotAssign(const TObject& source, const TObject& dest) {
  throw EConvertError(Format("Cannot assign a %s to a %s", {source.ClassName(), dest.ClassName()}));
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace

TStoredStrList::TStoredStrList() : InnerList(new TQnStringList) {}

TStoredStrList::~TStoredStrList() { ReleaseProperties(); }

TQnStringList& TStoredStrList::List() const {
  if (!InnerList) InnerList = new TQnStringList;
  return *InnerList;
}

int TStoredStrList::Add(const std::string& text) { return List().Add(text); }

int TStoredStrList::AddObject(const std::string& text, TObject* obj) {
  return List().AddObject(text, obj);
}

void TStoredStrList::Insert(int index, const std::string& text) { List().Insert(index, text); }

void TStoredStrList::InsertObject(int index, const std::string& text, TObject* obj) {
  List().InsertObject(index, text, obj);
}

void TStoredStrList::Delete(int index) { List().Delete(index); }

void TStoredStrList::Clear() { List().Clear(); }

void TStoredStrList::Exchange(int a, int b) {
  List().UpdateWith([&] { List().Exchange(a, b); });
}

void TStoredStrList::Move(int from, int to) { List().Move(from, to); }

int TStoredStrList::IndexOf(std::string_view text) const { return List().IndexOf(text); }

int TStoredStrList::IndexOfObject(const TObject* obj) const { return List().IndexOfObject(obj); }

void TStoredStrList::Sort() {
  List().UpdateWith([&] { List().Sort(); });
}

void TStoredStrList::BeginUpdate() { List().BeginUpdate(); }

void TStoredStrList::EndUpdate() { List().EndUpdate(); }

bool TStoredStrList::Equals(const TStringList& other) const { return List().Equals(other); }

bool TStoredStrList::Equals(const TStoredStrList& other) const {
  return List().Equals(other.List());
}

void TStoredStrList::AddStrings(const TStringList& source) { List().AddStrings(source); }

std::string TStoredStrList::GetText() const { return List().Text(); }

void TStoredStrList::SetText(std::string_view text) {
  List().UpdateWith([&] { List().SetText(text); });
}

void TStoredStrList::LoadFromFile(const std::string& fileName) {
  std::string bytes;
  int error = ReadFileContents(ToOsPath(fileName), bytes);
  if (error != 0)
    throw EFOpenError(Format("Cannot open file \"%s\". %s", {fileName, ErrorText(error)}));
  SetText(ToListText(std::move(bytes)));
}

void TStoredStrList::LoadFromStream(std::istream& stream) {
  std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  if (stream.bad()) throw EReadError("Stream read error");
  SetText(ToListText(std::move(bytes)));
}

void TStoredStrList::SaveToFile(const std::string& fileName) {
  int error = ReplaceFileContents(ToOsPath(fileName), GetText());
  if (error != 0)
    throw EFCreateError(Format("Cannot create file \"%s\". %s", {fileName, ErrorText(error)}));
}

void TStoredStrList::SaveToStream(std::ostream& stream) {
  std::string text = GetText();
  stream.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!stream) throw EWriteError("Stream write error");
}

void TStoredStrList::LoadFromStream(TStream& stream) {
  std::string bytes;
  char buffer[65536];
  for (size_t got; (got = stream.Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, got);
  SetText(ToListText(std::move(bytes)));
}

void TStoredStrList::SaveToStream(TStream& stream) { stream.WriteBuffer(GetText()); }

int TStoredStrList::GetCount() const { return List().Count(); }

const std::string& TStoredStrList::GetString(int index) const { return List().Get(index); }

void TStoredStrList::SetString(int index, const std::string& text) {
  List().UpdateWith([&] { List().Put(index, text); });
}

TObject* TStoredStrList::GetObj(int index) const { return List().GetObject(index); }

void TStoredStrList::SetObj(int index, TObject* obj) {
  List().UpdateWith([&] { List().PutObject(index, obj); });
}

std::string TStoredStrList::GetValue(std::string_view name) const { return List().Values(name); }

void TStoredStrList::SetValue(std::string_view name, const std::string& value) {
  List().UpdateWith([&] { List().SetValue(name, value); });
}

TDuplicates TStoredStrList::GetDuplicates() const { return List().Duplicates; }

void TStoredStrList::SetDuplicates(TDuplicates value) { List().Duplicates = value; }

bool TStoredStrList::GetSorted() const { return List().Sorted(); }

void TStoredStrList::SetSorted(bool value) {
  if (value == List().Sorted()) return;
  List().UpdateWith([&] { List().SetSorted(value); });
}

const TListNotifyEvent& TStoredStrList::GetOnChange() const { return List().OnChange; }

void TStoredStrList::SetOnChange(TListNotifyEvent handler) { List().OnChange = std::move(handler); }

const TListNotifyEvent& TStoredStrList::GetOnChanging() const { return List().OnChanging; }

void TStoredStrList::SetOnChanging(TListNotifyEvent handler) {
  List().OnChanging = std::move(handler);
}

void TStoredStrList::Assign(TObject& source) {
  if (&source == this) return;
  if (auto* persistent = ObjectAs<TBaseObject>(&source)) {
    persistent->CopyProperties(*this, "");
  } else if (auto* strings = ObjectAs<TStringList>(&source)) {
    List().Assign(*strings);
  } else {
    RaiseCannotAssign(source, *this);
  }
}

void TStoredStrList::AssignTo(TObject& dest) {
  if (&dest == this) return;
  if (auto* persistent = ObjectAs<TBaseObject>(&dest)) {
    CopyProperties(*persistent, "");
  } else if (auto* strings = ObjectAs<TStringList>(&dest)) {
    strings->Assign(List());
  } else {
    RaiseCannotAssign(*this, dest);
  }
}

bool TStoredStrList::EnumrateProperties(const TPropProcessor& callback, uint16_t purpose,
                                        void* param) {
  if (!TBaseObject::EnumrateProperties(callback, purpose, param)) return false;
  uint8_t autoCaption = AutoItemCaption ? 1 : 0;
  bool goOn = callback(&autoCaption, "Auto", ptBoolean, autoCaption != 0, 0, param);
  AutoItemCaption = autoCaption != 0;
  if (!goOn) return false;
  // The callback sees a plain object reference; whatever it leaves there is checked before it
  // becomes the inner list again.
  TObject* list = InnerList;
  try {
    goOn = callback(&list, "List", ptObjects, list != nullptr, 0, param);
  } catch (...) {
    if (list != InnerList) InstallList(list);
    throw;
  }
  if (list != InnerList) InstallList(list);
  return goOn;
}

void TStoredStrList::InstallList(TObject* obj) {
  // The old list, when still there, was either freed by the callback or is replaced now.
  auto* keyed = ObjectAs<TQnStringList>(obj);
  if (keyed || !obj) {
    InnerList = keyed;
    return;
  }
  InnerList = nullptr;
  if (auto* plain = ObjectAs<TStringList>(obj)) {
    // Take the texts and the objects over; the plain list never owned the objects.
    auto* taken = new TQnStringList;
    taken->Delimiter = plain->Delimiter;
    taken->QuoteChar = plain->QuoteChar;
    taken->NameValueSeparator = plain->NameValueSeparator;
    taken->Duplicates = plain->Duplicates;
    taken->SetCaseSensitive(plain->CaseSensitive());
    for (int i = 0; i < plain->Count(); ++i) taken->AddObject(plain->Get(i), plain->GetObject(i));
    // Already in order when it was sorted: the stable sort changes nothing.
    taken->SetSorted(plain->Sorted());
    delete plain;
    InnerList = taken;
    return;
  }
  delete obj;
  throw EReadError(Msg::InvalidPropertyValue);
}

void TStoredStrList::AfterLoad(TFiler&) { List(); }

void TStoredStrList::DefinePropertiesOld(TFiler& filer) {
  auto* reader = dynamic_cast<TObjReader*>(&filer);
  if (!reader || !reader->IsLookingFor("List")) {
    TBaseObject::DefinePropertiesOld(filer);
    return;
  }
  reader->TakeLookedFor();
  TQnStringList& list = List();
  list.UpdateWith([&] {
    // The pairs read replace the items, whose objects the list owned.
    list.FreeObjects();
    list.Clear();
    while (!reader->EndOfList()) {
      std::string text = reader->ReadString();
      std::unique_ptr<TObject> obj(reader->ReadObjectOld());
      int index = list.AddObject(text, obj.get());
      if (list.GetObject(index) == obj.get()) obj.release();
    }
    reader->ReadListEnd();
  });
}

bool EnumOwnedList(TStoredStrList*& list, const std::string& name,
                   const TPropProcessor& callback, uint16_t purpose, void* param) {
  TObject* temp = purpose == epLoad ? nullptr : list;
  bool goOn = callback(&temp, name, ptObject, list && list->GetCount() > 0, 0, param);
  if (temp != list) {
    if (purpose != epLoad) {
      // A release callback freed the list through the temporary.
      list = nullptr;
    } else if (auto* loaded = ObjectAs<TStoredStrList>(temp)) {
      delete list;
      list = loaded;
    } else {
      delete temp;
    }
  }
  return goOn;
}

}  // namespace qnexp
