// Reading the version resource of PE files: headers, section mapping, the resource tree and
// the version-information blocks, every offset checked against what the file holds.
#include "platform/FileVersion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/OsText.h"

namespace qnexp {

namespace {

// The resource type of version information, and the largest version block (its length field
// has 16 bits).
constexpr uint32_t VersionResourceType = 16;
constexpr size_t MaxVersionInfoSize = 65535;
// More sections or directory entries than a real file has mean damage; stop there.
constexpr uint32_t MaxSections = 96;
constexpr uint32_t MaxDirectoryEntries = 4096;

uint16_t Word(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t DWord(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct TSection {
  uint32_t VirtualAddress;
  uint32_t RawSize;
  uint32_t RawOffset;
};

class TPeFile {
public:
  explicit TPeFile(int fd) : Fd(fd) {}

  // Reads the headers; false when the file is not a PE file with a resource directory.
  bool Open();
  // The version-information blob of the first version resource; false when there is none.
  bool ReadVersionInfo(std::vector<unsigned char>& blob);

private:
  bool ReadAt(uint64_t offset, void* out, size_t size) const;
  bool ReadRva(uint32_t rva, void* out, size_t size) const;
  // The entries of the resource directory at the given offset into the resource section.
  bool ReadDirectory(uint32_t offset, std::vector<std::pair<uint32_t, uint32_t>>& entries) const;

  int Fd;
  std::vector<TSection> Sections;
  uint32_t ResourceRva = 0;
  uint32_t ResourceSize = 0;
};

bool TPeFile::ReadAt(uint64_t offset, void* out, size_t size) const {
  auto* target = static_cast<char*>(out);
  while (size > 0) {
    ssize_t n = pread(Fd, target, size, static_cast<off_t>(offset));
    if (n <= 0) return false;
    target += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

bool TPeFile::ReadRva(uint32_t rva, void* out, size_t size) const {
  for (const TSection& section : Sections) {
    if (rva < section.VirtualAddress) continue;
    uint64_t inside = rva - section.VirtualAddress;
    if (inside + size > section.RawSize) continue;
    return ReadAt(static_cast<uint64_t>(section.RawOffset) + inside, out, size);
  }
  return false;
}

bool TPeFile::Open() {
  unsigned char dos[64];
  if (!ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
  uint32_t pe = DWord(dos + 0x3C);
  unsigned char header[24];
  if (!ReadAt(pe, header, sizeof header) || header[0] != 'P' || header[1] != 'E' ||
      header[2] != 0 || header[3] != 0)
    return false;
  uint32_t sectionCount = Word(header + 6);
  uint32_t optionalSize = Word(header + 20);
  if (sectionCount == 0 || sectionCount > MaxSections) return false;
  std::vector<unsigned char> optional(optionalSize);
  if (optionalSize < 2 || !ReadAt(uint64_t(pe) + 24, optional.data(), optionalSize)) return false;
  uint16_t magic = Word(optional.data());
  size_t countAt = magic == 0x10B ? 92 : (magic == 0x20B ? 108 : 0);
  if (countAt == 0 || countAt + 4 > optionalSize) return false;
  uint32_t directoryCount = DWord(optional.data() + countAt);
  size_t resourceAt = countAt + 4 + 2 * 8;
  if (directoryCount <= 2 || resourceAt + 8 > optionalSize) return false;
  ResourceRva = DWord(optional.data() + resourceAt);
  ResourceSize = DWord(optional.data() + resourceAt + 4);
  if (ResourceRva == 0 || ResourceSize == 0) return false;
  std::vector<unsigned char> table(size_t(sectionCount) * 40);
  if (!ReadAt(uint64_t(pe) + 24 + optionalSize, table.data(), table.size())) return false;
  for (uint32_t i = 0; i < sectionCount; ++i) {
    const unsigned char* entry = table.data() + size_t(i) * 40;
    Sections.push_back({DWord(entry + 12), DWord(entry + 16), DWord(entry + 20)});
  }
  return true;
}

bool TPeFile::ReadDirectory(uint32_t offset,
                            std::vector<std::pair<uint32_t, uint32_t>>& entries) const {
  unsigned char header[16];
  if (offset > ResourceSize || ResourceSize - offset < sizeof header ||
      !ReadRva(ResourceRva + offset, header, sizeof header))
    return false;
  uint32_t count = uint32_t(Word(header + 12)) + Word(header + 14);
  if (count > MaxDirectoryEntries) return false;
  uint64_t end = uint64_t(offset) + 16 + uint64_t(count) * 8;
  if (end > ResourceSize) return false;
  std::vector<unsigned char> raw(size_t(count) * 8);
  if (count > 0 && !ReadRva(ResourceRva + offset + 16, raw.data(), raw.size())) return false;
  entries.clear();
  for (uint32_t i = 0; i < count; ++i)
    entries.emplace_back(DWord(raw.data() + size_t(i) * 8), DWord(raw.data() + size_t(i) * 8 + 4));
  return true;
}

bool TPeFile::ReadVersionInfo(std::vector<unsigned char>& blob) {
  constexpr uint32_t SubdirectoryFlag = 0x80000000u;
  std::vector<std::pair<uint32_t, uint32_t>> entries;
  // Level one: resource types; the version type is a numbered entry leading to a directory.
  if (!ReadDirectory(0, entries)) return false;
  uint32_t next = 0;
  bool found = false;
  for (const auto& [name, target] : entries)
    if (name == VersionResourceType && (target & SubdirectoryFlag)) {
      next = target & ~SubdirectoryFlag;
      found = true;
      break;
    }
  // Level two: the first resource of that type; level three: its first language.
  if (!found || !ReadDirectory(next, entries) || entries.empty() ||
      !(entries[0].second & SubdirectoryFlag))
    return false;
  if (!ReadDirectory(entries[0].second & ~SubdirectoryFlag, entries) || entries.empty() ||
      (entries[0].second & SubdirectoryFlag))
    return false;
  uint32_t dataEntry = entries[0].second;
  unsigned char data[8];
  if (dataEntry > ResourceSize || ResourceSize - dataEntry < sizeof data ||
      !ReadRva(ResourceRva + dataEntry, data, sizeof data))
    return false;
  uint32_t size = DWord(data + 4);
  if (size > MaxVersionInfoSize) size = MaxVersionInfoSize;
  blob.resize(size);
  return size >= 6 && ReadRva(DWord(data), blob.data(), size);
}

// One block of version information: a key, a value and child blocks, all inside the blob.
struct TVersionBlock {
  std::u16string Key;
  size_t ValueStart = 0;
  size_t ValueEnd = 0;
  bool TextValue = false;
  std::vector<size_t> Children;
};

size_t Align4(size_t offset) { return (offset + 3) & ~size_t(3); }

bool ParseBlock(const std::vector<unsigned char>& blob, size_t offset, size_t limit,
                TVersionBlock& block) {
  if (offset + 6 > limit) return false;
  size_t length = Word(&blob[offset]);
  size_t valueLength = Word(&blob[offset + 2]);
  if (length < 6 || offset + length > limit) return false;
  size_t end = offset + length;
  block = TVersionBlock();
  block.TextValue = Word(&blob[offset + 4]) == 1;
  size_t pos = offset + 6;
  while (true) {
    if (pos + 2 > end) return false;
    char16_t unit = Word(&blob[pos]);
    pos += 2;
    if (unit == 0) break;
    block.Key += unit;
  }
  block.ValueStart = std::min(Align4(pos), end);
  // Text values count characters, others bytes; a writer that got this wrong is bounded by the
  // block's end, and text stops at its terminating zero anyway.
  size_t valueBytes = block.TextValue ? valueLength * 2 : valueLength;
  block.ValueEnd = std::min(block.ValueStart + valueBytes, end);
  for (size_t child = Align4(block.ValueEnd); child + 6 <= end;) {
    size_t childLength = Word(&blob[child]);
    if (childLength < 6 || child + childLength > end) break;
    block.Children.push_back(child);
    child = Align4(child + childLength);
  }
  return true;
}

bool SameKey(const std::u16string& key, std::string_view ascii) {
  if (key.size() != ascii.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    char16_t a = key[i];
    char16_t b = static_cast<unsigned char>(ascii[i]);
    if (a >= 'a' && a <= 'z') a = static_cast<char16_t>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char16_t>(b - 32);
    if (a != b) return false;
  }
  return true;
}

// The child of parent whose key is name (compared without letter case). The children's
// extents were checked against the parent's end when the parent was parsed.
bool FindChild(const std::vector<unsigned char>& blob, const TVersionBlock& parent,
               std::string_view name, TVersionBlock& child) {
  for (size_t offset : parent.Children)
    if (ParseBlock(blob, offset, blob.size(), child) && SameKey(child.Key, name)) return true;
  return false;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The UTF-16 text of a value up to its terminating zero, as UTF-8; unpaired surrogates become
// U+FFFD.
std::string TextValue(const std::vector<unsigned char>& blob, const TVersionBlock& block) {
  std::string text;
  for (size_t pos = block.ValueStart; pos + 2 <= block.ValueEnd; pos += 2) {
    uint32_t unit = Word(&blob[pos]);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit < 0xDC00 && pos + 4 <= block.ValueEnd) {
      uint32_t low = Word(&blob[pos + 2]);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        pos += 2;
        continue;
      }
    }
    AppendUtf8(text, (unit >= 0xD800 && unit < 0xE000) ? 0xFFFD : unit);
  }
  return text;
}

std::string FileVersionOf(const std::vector<unsigned char>& blob) {
  TVersionBlock root;
  TVersionBlock group;
  TVersionBlock item;
  if (!ParseBlock(blob, 0, blob.size(), root) || !SameKey(root.Key, "VS_VERSION_INFO")) return {};
  // The first language and code page of the translation list names the string table.
  if (!FindChild(blob, root, "VarFileInfo", group) ||
      !FindChild(blob, group, "Translation", item) || item.ValueEnd - item.ValueStart < 4)
    return {};
  char tableName[16];
  std::snprintf(tableName, sizeof tableName, "%.4x%.4x", Word(&blob[item.ValueStart]),
                Word(&blob[item.ValueStart + 2]));
  TVersionBlock table;
  if (!FindChild(blob, root, "StringFileInfo", group) ||
      !FindChild(blob, group, tableName, table) || !FindChild(blob, table, "FileVersion", item))
    return {};
  return TextValue(blob, item);
}

}  // namespace

std::string ReadFileVersion(std::string_view file) {
  std::string path = ToOsPath(file);
  if (path.empty()) return {};
  // Non-blocking, so that naming a FIFO cannot hang; only regular files are read.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return {};
  }
  TPeFile pe(fd);
  std::vector<unsigned char> blob;
  bool ok = pe.Open() && pe.ReadVersionInfo(blob);
  close(fd);
  if (!ok) return {};
  return FromOsText(FileVersionOf(blob));
}

}  // namespace qnexp
