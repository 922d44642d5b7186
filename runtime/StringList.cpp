// The runtime's plain string list: items, sorting and searching, name=value and text forms.
#include "runtime/StringList.h"

#include <algorithm>

#include "runtime/Exception.h"
#include "runtime/Format.h"
#include "runtime/GbkChars.h"

namespace qnexp {

namespace {

constexpr const char* DuplicateText = "String list does not allow duplicates";
constexpr const char* SortedListText = "Operation not allowed on sorted string list";

[[noreturn]] void RaiseIndex(int index) {
  throw EListError(Format(Msg::ListIndexError, {index}));
}

[[noreturn]] void RaiseSorted() { throw EListError(SortedListText); }

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool NeedsQuotes(std::string_view text, char delimiter, char quote) {
  for (size_t i = 0; i < text.size(); i += CharSize(text, i))
    if (IsBlankOrControl(text[i]) || text[i] == delimiter || text[i] == quote) return true;
  return false;
}

std::string Quoted(std::string_view text, char quote) {
  std::string out(1, quote);
  for (size_t i = 0; i < text.size();) {
    size_t length = CharSize(text, i);
    if (length == 1 && text[i] == quote) out += quote;
    out.append(text, i, length);
    i += length;
  }
  out += quote;
  return out;
}

// Reads a quoted item starting at the quote at i, undoubling inner quotes; i ends after the
// closing quote, or at the end when there is none.
std::string ExtractQuoted(std::string_view text, size_t& i, char quote) {
  std::string out;
  ++i;
  while (i < text.size()) {
    size_t length = CharSize(text, i);
    if (length == 1 && text[i] == quote) {
      if (i + 1 < text.size() && text[i + 1] == quote) {
        out += quote;
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    out.append(text, i, length);
    i += length;
  }
  return out;
}

// Keeps a list inside an update bracket while a bulk change runs, whatever way it ends.
class TUpdateScope {
public:
  explicit TUpdateScope(TStringList& list) : List(list) { List.BeginUpdate(); }
  ~TUpdateScope() { List.EndUpdate(); }
  TUpdateScope(const TUpdateScope&) = delete;
  TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
  TStringList& List;
};

// Lists shorter than this are scanned: comparing a few texts costs less than hashing one.
constexpr int kIndexedCount = 8;
// Searches a list answers by scanning after a change before its index is made again, so that
// a list changed between nearly every two searches does not rebuild its index each time.
constexpr int kScansBeforeIndexing = 4;

}  // namespace

// An open-addressing table from the hash of a text to the first item with that text (by the
// list's case rule). It keeps no texts of its own: a candidate is confirmed by comparing it
// with the item, so equal texts need equal hashes and nothing more.
class TStringList::TNameIndex {
public:
  // Whether the index describes the list as it is now.
  bool Follows(const TStringList& list) const {
    return Built && Changes == list.Changes && CaseSensitive == list.IsCaseSensitive;
  }

  int Search(const TStringList& list, std::string_view text) {
    if (!Follows(list)) {
      if (++Scans < kScansBeforeIndexing) return list.ScanFor(text);
      Build(list);
    }
    uint32_t hash = HashOf(text, CaseSensitive);
    for (size_t at = hash & Mask;; at = (at + 1) & Mask) {
      int32_t item = Slots[at];
      if (item < 0) return -1;
      if (Hashes[at] == hash &&
          list.CompareStrings(list.Items[static_cast<size_t>(item)].Text, text) == 0)
        return item;
    }
  }

  // The last item has just been appended to a list this index followed.
  void Append(const TStringList& list) {
    Changes = list.Changes;
    if ((Used + 1) * 2 > Slots.size()) {
      Build(list);
      return;
    }
    Insert(list, list.Count() - 1);
  }

private:
  // FNV-1a over the bytes as the case rule compares them: without case sensitivity ASCII
  // letters fold to upper case except as the second byte of a two-byte character (the walk of
  // CompareText).
  static uint32_t HashOf(std::string_view text, bool caseSensitive) {
    uint32_t hash = 2166136261u;
    bool pairOpen = false;
    for (char c : text) {
      auto byte = static_cast<unsigned char>(c);
      if (!caseSensitive) {
        bool second = pairOpen && IsTrailByte(byte);
        if (!second) byte = static_cast<unsigned char>(AsciiUpper(static_cast<char>(byte)));
        pairOpen = !second && IsLeadByte(byte);
      }
      hash = (hash ^ byte) * 16777619u;
    }
    return hash;
  }

  void Build(const TStringList& list) {
    size_t size = 16;
    while (size < static_cast<size_t>(list.Count()) * 2 + 2) size *= 2;
    Slots.assign(size, -1);
    Hashes.assign(size, 0);
    Mask = size - 1;
    Used = 0;
    CaseSensitive = list.IsCaseSensitive;
    Changes = list.Changes;
    Built = true;
    Scans = 0;
    // In list order, so that of equal texts the first item is the one kept.
    for (int i = 0; i < list.Count(); ++i) Insert(list, i);
  }

  void Insert(const TStringList& list, int item) {
    const std::string& text = list.Items[static_cast<size_t>(item)].Text;
    uint32_t hash = HashOf(text, CaseSensitive);
    size_t at = hash & Mask;
    for (; Slots[at] >= 0; at = (at + 1) & Mask) {
      if (Hashes[at] == hash &&
          list.CompareStrings(list.Items[static_cast<size_t>(Slots[at])].Text, text) == 0)
        return;  // an earlier item has this text
    }
    Slots[at] = item;
    Hashes[at] = hash;
    ++Used;
  }

  std::vector<int32_t> Slots;
  std::vector<uint32_t> Hashes;
  size_t Mask = 0;
  size_t Used = 0;
  uint64_t Changes = 0;
  int Scans = 0;
  bool CaseSensitive = false;
  bool Built = false;
};

TStringList::TStringList() = default;
TStringList::~TStringList() = default;

const std::string& TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) RaiseIndex(index);
  return Items[static_cast<size_t>(index)].Text;
}

void TStringList::Put(int index, const std::string& text) {
  if (IsSorted) RaiseSorted();
  if (index < 0 || index >= Count()) RaiseIndex(index);
  Items[static_cast<size_t>(index)].Text = text;
  ItemsChanged();
}

TObject* TStringList::GetObject(int index) const {
  if (index < 0 || index >= Count()) RaiseIndex(index);
  return Items[static_cast<size_t>(index)].Object;
}

void TStringList::PutObject(int index, TObject* obj) {
  if (index < 0 || index >= Count()) RaiseIndex(index);
  Items[static_cast<size_t>(index)].Object = obj;
}

int TStringList::Add(const std::string& text) { return AddObject(text, nullptr); }

int TStringList::AddObject(const std::string& text, TObject* obj) {
  int index = Count();
  if (IsSorted && Find(text, index)) {
    if (Duplicates == dupIgnore) return index;
    if (Duplicates == dupError) throw EListError(DuplicateText);
  }
  bool current = Index && Index->Follows(*this);
  Items.insert(Items.begin() + index, TItem{text, obj});
  ItemsChanged();
  // An item appended to an unsorted list joins the index in place.
  if (current && index == Count() - 1) Index->Append(*this);
  return index;
}

void TStringList::Insert(int index, const std::string& text) { InsertObject(index, text, nullptr); }

void TStringList::InsertObject(int index, const std::string& text, TObject* obj) {
  if (IsSorted) RaiseSorted();
  if (index < 0 || index > Count()) RaiseIndex(index);
  Items.insert(Items.begin() + index, TItem{text, obj});
  ItemsChanged();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) RaiseIndex(index);
  Items.erase(Items.begin() + index);
  ItemsChanged();
}

void TStringList::Move(int from, int to) {
  if (from == to) return;
  if (IsSorted) RaiseSorted();
  if (from < 0 || from >= Count()) RaiseIndex(from);
  if (to < 0 || to >= Count()) RaiseIndex(to);
  TItem item = std::move(Items[static_cast<size_t>(from)]);
  Items.erase(Items.begin() + from);
  Items.insert(Items.begin() + to, std::move(item));
  ItemsChanged();
}

void TStringList::Clear() {
  Items.clear();
  ItemsChanged();
}

void TStringList::Exchange(int a, int b) {
  if (a < 0 || a >= Count()) RaiseIndex(a);
  if (b < 0 || b >= Count()) RaiseIndex(b);
  std::swap(Items[static_cast<size_t>(a)], Items[static_cast<size_t>(b)]);
  ItemsChanged();
}

int TStringList::IndexOf(std::string_view text) const {
  if (IsSorted) {
    int index = 0;
    return Find(text, index) ? index : -1;
  }
  if (Count() < kIndexedCount) return ScanFor(text);
  if (!Index) Index = std::make_unique<TNameIndex>();
  return Index->Search(*this, text);
}

int TStringList::ScanFor(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Items[static_cast<size_t>(i)].Text, text) == 0) return i;
  return -1;
}

int TStringList::IndexOfObject(const TObject* obj) const {
  for (int i = 0; i < Count(); ++i)
    if (Items[static_cast<size_t>(i)].Object == obj) return i;
  return -1;
}

bool TStringList::Find(std::string_view text, int& index) const {
  bool found = false;
  int low = 0;
  int high = Count() - 1;
  while (low <= high) {
    int middle = low + (high - low) / 2;
    int order = CompareStrings(Items[static_cast<size_t>(middle)].Text, text);
    if (order < 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
      if (order == 0) {
        found = true;
        if (Duplicates != dupAccept) low = middle;
      }
    }
  }
  index = low;
  return found;
}

bool TStringList::Equals(const TStringList& other) const {
  if (Count() != other.Count()) return false;
  for (size_t i = 0; i < Items.size(); ++i)
    if (Items[i].Text != other.Items[i].Text) return false;
  return true;
}

std::string TStringList::Names(int index) const {
  const std::string& text = Get(index);
  size_t separator = FindChar(text, NameValueSeparator);
  return separator == std::string::npos ? std::string() : text.substr(0, separator);
}

std::string TStringList::ValueFromIndex(int index) const {
  const std::string& text = Get(index);
  size_t separator = FindChar(text, NameValueSeparator);
  return separator == std::string::npos ? std::string() : text.substr(separator + 1);
}

int TStringList::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string_view text = Items[static_cast<size_t>(i)].Text;
    size_t separator = FindChar(text, NameValueSeparator);
    if (separator != std::string_view::npos && CompareStrings(text.substr(0, separator), name) == 0)
      return i;
  }
  return -1;
}

std::string TStringList::Values(std::string_view name) const {
  int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

void TStringList::SetValue(std::string_view name, const std::string& value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string text(name);
  text += NameValueSeparator;
  text += value;
  if (index < 0) {
    Add(text);
    return;
  }
  ItemsChanged();
  if (!IsSorted) {
    Items[static_cast<size_t>(index)].Text = std::move(text);
    return;
  }
  // A changed item of a sorted list belongs elsewhere; it keeps its object on the way.
  TItem item{std::move(text), Items[static_cast<size_t>(index)].Object};
  Items.erase(Items.begin() + index);
  Find(item.Text, index);
  Items.insert(Items.begin() + index, std::move(item));
}

std::string TStringList::Text() const {
  std::string text;
  for (const TItem& item : Items) {
    text += item.Text;
    text += "\r\n";
  }
  return text;
}

void TStringList::SetText(std::string_view text) {
  TUpdateScope scope(*this);
  Clear();
  size_t i = 0;
  while (i < text.size()) {
    size_t start = i;
    while (i < text.size() && text[i] != '\r' && text[i] != '\n') ++i;
    Add(std::string(text.substr(start, i - start)));
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
}

std::string TStringList::DelimitedTextWith(char delimiter, char quote) const {
  if (Items.size() == 1 && Items[0].Text.empty()) return std::string(2, quote);
  std::string text;
  for (size_t i = 0; i < Items.size(); ++i) {
    if (i > 0) text += delimiter;
    const std::string& item = Items[i].Text;
    text += NeedsQuotes(item, delimiter, quote) ? Quoted(item, quote) : item;
  }
  return text;
}

void TStringList::SetDelimitedTextWith(std::string_view text, char delimiter, char quote) {
  TUpdateScope scope(*this);
  Clear();
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < text.size() && IsBlankOrControl(text[i])) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    std::string item;
    if (text[i] == quote) {
      item = ExtractQuoted(text, i, quote);
    } else {
      size_t start = i;
      while (i < text.size() && !IsBlankOrControl(text[i]) && text[i] != delimiter)
        i += CharSize(text, i);
      item.assign(text, start, i - start);
    }
    Add(item);
    skipBlanks();
    if (i < text.size() && text[i] == delimiter) {
      // A delimiter that ends the text closes one more, empty item.
      if (i + 1 == text.size()) Add(std::string());
      ++i;
      skipBlanks();
    }
  }
}

std::string TStringList::DelimitedText() const { return DelimitedTextWith(Delimiter, QuoteChar); }

void TStringList::SetDelimitedText(std::string_view text) {
  SetDelimitedTextWith(text, Delimiter, QuoteChar);
}

std::string TStringList::CommaText() const { return DelimitedTextWith(',', '"'); }

void TStringList::SetCommaText(std::string_view text) { SetDelimitedTextWith(text, ',', '"'); }

void TStringList::Sort() {
  std::stable_sort(Items.begin(), Items.end(), [this](const TItem& a, const TItem& b) {
    return CompareStrings(a.Text, b.Text) < 0;
  });
  ItemsChanged();
}

void TStringList::AddStrings(const TStringList& source) {
  TUpdateScope scope(*this);
  // Adding a list to itself must not see its own new items.
  std::vector<TItem> items = source.Items;
  for (const TItem& item : items) AddObject(item.Text, item.Object);
}

void TStringList::Assign(const TStringList& source) {
  if (&source == this) return;
  TUpdateScope scope(*this);
  Clear();
  Delimiter = source.Delimiter;
  QuoteChar = source.QuoteChar;
  NameValueSeparator = source.NameValueSeparator;
  AddStrings(source);
}

void TStringList::SetSorted(bool value) {
  if (value == IsSorted) return;
  if (value) Sort();
  IsSorted = value;
  ItemsChanged();
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == IsCaseSensitive) return;
  IsCaseSensitive = value;
  ItemsChanged();
  if (IsSorted) Sort();
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  if (!IsCaseSensitive) return CompareText(a, b);
  int order = a.compare(b);
  return (order > 0) - (order < 0);
}

}  // namespace qnexp
