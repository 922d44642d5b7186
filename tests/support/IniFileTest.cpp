// INI files: entries and notes, integer and boolean readings, the profile rules of names,
// quotes and comments, sections written whole, line ends and encodings kept on rewrite, and
// rewrites that never leave a damaged file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/Gbk.h"
#include "runtime/StringList.h"
#include "support/IniFile.h"
#include "TempFolder.h"

using namespace qnexp;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public qnexp::testing::TTempFolderTest {
protected:
  void SetUp() override {
    TTempFolderTest::SetUp();
    File = Folder + "/test.ini";
  }
  void TearDown() override {
    TTempFolderTest::TearDown();
  }
  void Write(const std::string& bytes) {
    std::ofstream out(File, std::ios::binary);
    out << bytes;
  }
  std::string Read() {
    std::ifstream in(File, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  std::vector<std::string> FolderEntries() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Folder))
      names.push_back(entry.path().filename().string());
    return names;
  }
  std::string File;
};

std::string Joined(const TStringList& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i) out += (i ? "|" : "") + list.Get(i);
  return out;
}

}  // namespace

TEST_F(IniFileTest, ValuesAndNotes) {
  Write("[Net]\r\nPort=8080;service port\r\nk=abc ;note\r\nHost = example ; main host \r\n"
        "Plain=x\r\nTwo=a;b;c\r\n");
  TIniFile ini(File);
  EXPECT_EQ(ini.ReadString("Net", "Port", "d"), "8080");
  EXPECT_EQ(ini.ReadInteger("Net", "Port", -1), 8080);
  EXPECT_EQ(ini.ReadNote("Net", "Port"), "service port");
  EXPECT_EQ(ini.ReadString("Net", "k", ""), "abc ");
  EXPECT_EQ(ini.ReadString("Net", "Host", ""), "example ");
  EXPECT_EQ(ini.ReadNote("Net", "Host"), " main host");
  EXPECT_EQ(ini.ReadNote("Net", "Plain"), "");
  std::string value, note;
  ini.ReadStrNote("Net", "Two", value, note, "");
  EXPECT_EQ(value, "a");
  EXPECT_EQ(note, "b;c");
  // The default is split like a stored text.
  ini.ReadStrNote("Net", "Missing", value, note, "dv;dn");
  EXPECT_EQ(value, "dv");
  EXPECT_EQ(note, "dn");
}

TEST_F(IniFileTest, IntegerAndBooleanReadings) {
  Write("[s]\nhex=0x1F\nHEX=7\nupper=0X10 ;n\ndollar=$20\nneg=-7  \nbad=12a\nempty=\nbig=4294967296\n"
        "zero=0\nlone=0x\ndigits= 42\n");
  TIniFile ini(File);
  struct TRow {
    const char* Name;
    int32_t Expected;
  };
  const TRow rows[] = {{"hex", 31}, {"HEX", 31},      {"upper", 16},  {"dollar", 32}, {"neg", -7},
                       {"bad", 99}, {"empty", 99},    {"big", 99},    {"zero", 0},
                       {"lone", 99}, {"missing", 99}, {"digits", 42}};
  for (const TRow& row : rows) EXPECT_EQ(ini.ReadInteger("s", row.Name, 99), row.Expected) << row.Name;
  EXPECT_TRUE(ini.ReadBool("s", "hex", false));
  EXPECT_FALSE(ini.ReadBool("s", "zero", true));
  EXPECT_TRUE(ini.ReadBool("s", "missing", true));
  EXPECT_FALSE(ini.ReadBool("s", "bad", false));
  std::string note;
  EXPECT_EQ(ini.ReadIntNote("s", "upper", note, 0), 16);
  EXPECT_EQ(note, "n");
}

TEST_F(IniFileTest, ProfileRulesOfNamesQuotesAndComments) {
  Write("stray=before any section\n[Main]\n; c=commented\nNoEquals\nName=first\nNAME=second\n"
        "q1=\"quoted ; text\"\nq2='x=y'\nq3=\"unbalanced'\n[ main ]\nName=other section\n"
        "[Second]\nName=second section\n");
  TIniFile ini(File);
  EXPECT_EQ(ini.ReadString("main", "name", ""), "first");
  EXPECT_EQ(ini.ReadString("MAIN", "c", "absent"), "absent");
  EXPECT_EQ(ini.ReadString("Main", "q1", ""), "quoted ");
  EXPECT_EQ(ini.ReadNote("Main", "q1"), " text");
  EXPECT_EQ(ini.ReadString("Main", "q2", ""), "x=y");
  EXPECT_EQ(ini.ReadString("Main", "q3", ""), "\"unbalanced'");
  EXPECT_EQ(ini.ReadString("Second", "Name", ""), "second section");
  EXPECT_EQ(ini.ReadString("", "stray", "none"), "none");
  EXPECT_TRUE(ini.SectionExists("SECOND"));
  EXPECT_FALSE(ini.SectionExists("Third"));
  EXPECT_TRUE(ini.ValueExists("Main", "q2"));
  EXPECT_FALSE(ini.ValueExists("Main", "NoEquals"));

  TStringList list;
  list.Add("stale");
  ini.ReadSection("Main", list);
  EXPECT_EQ(Joined(list), "Name|NAME|q1|q2|q3");
  ini.ReadSections(list);
  EXPECT_EQ(Joined(list), "Main|main|Second");
  ini.ReadSectionValues("Second", list);
  EXPECT_EQ(Joined(list), "Name=second section");
}

TEST_F(IniFileTest, SectionNotesKeepExistingItems) {
  Write("[s]\nPort=8080;service port\nHost=h\nport=9;ignored duplicate\n");
  TIniFile ini(File);
  TStringList strings;
  strings.Add("Other=1");
  strings.Add("HOST=old");
  ini.ReadSectionNotes("s", strings);
  EXPECT_EQ(Joined(strings), "Other=1|Host=h;|Port=8080;service port");
}

TEST_F(IniFileTest, MissingFileReadsEmptyAndFirstWriteCreatesIt) {
  TIniFile ini(File);
  EXPECT_EQ(ini.ReadString("a", "b", "dflt"), "dflt");
  TStringList lines;
  ini.ReadLines(lines);
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_FALSE(fs::exists(File));
  ini.WriteString("Sec", "Key", "Value");
  EXPECT_EQ(Read(), "[Sec]\r\nKey=Value\r\n");
  ini.WriteString("Sec", "Two", "2");
  ini.WriteString("sec", "KEY", "changed");
  ini.WriteInteger("Other", "n", -5);
  ini.WriteBool("Other", "b", true);
  EXPECT_EQ(Read(), "[Sec]\r\nKEY=changed\r\nTwo=2\r\n[Other]\r\nn=-5\r\nb=1\r\n");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"test.ini"}) << "no temporary file left";
}

TEST_F(IniFileTest, NewEntriesGoAfterTheLastLineOfTheirSection) {
  Write("[a]\nx=1\n\n; about b\n[b]\ny=2\n");
  TIniFile ini(File);
  ini.WriteString("a", "z", "3");
  EXPECT_EQ(Read(), "[a]\nx=1\nz=3\n\n; about b\n[b]\ny=2\n");
  Write("[a]\n; about a\n\n[b]\n");
  ini.WriteString("a", "k", "v");
  EXPECT_EQ(Read(), "[a]\nk=v\n; about a\n\n[b]\n");
}

TEST_F(IniFileTest, WriteSectionReplacesTheSectionFromNameValueItems) {
  Write("[keep]\r\nk=1\r\n[s]\r\nold=gone\r\n[after]\r\nv=2\r\n");
  TIniFile ini(File);
  TStringList items;
  for (const char* item : {"a=1", "b='x=y'", "c=d=e", "", "=nameless", "plain"}) items.Add(item);
  ini.WriteSection("S", &items);
  EXPECT_EQ(Read(), "[keep]\r\nk=1\r\n[after]\r\nv=2\r\n[S]\r\na=1\r\nb='x=y'\r\nc=d\r\nplain=\r\n");
  ini.WriteSection("s", nullptr);
  EXPECT_EQ(Read(), "[keep]\r\nk=1\r\n[after]\r\nv=2\r\n");
  ini.EraseSection("keep");
  ini.DeleteKey("after", "V");
  EXPECT_EQ(Read(), "[after]\r\n");
}

TEST_F(IniFileTest, LineBreaksInWrittenTextsCannotAddLines) {
  TIniFile ini(File);
  ini.WriteString("s", "k", "x\r\n[evil]\nk2=y");
  EXPECT_EQ(ini.ReadString("s", "k", ""), "x  [evil] k2=y");
  EXPECT_FALSE(ini.SectionExists("evil"));
}

TEST_F(IniFileTest, LineEndsAndUtf8FilesAreKept) {
  Write("[s]\nk=1\n");
  TIniFile ini(File);
  ini.WriteString("s", "k", "2");
  EXPECT_EQ(Read(), "[s]\nk=2\n");

  Write("\xEF\xBB\xBF[s]\r\nname=\xE4\xB8\xAD\r\n");  // UTF-8 with its mark
  EXPECT_EQ(ini.ReadString("s", "name", ""), Res("中"));
  ini.WriteString("s", "more", Res("文"));
  EXPECT_EQ(Read(), "\xEF\xBB\xBF[s]\r\nname=\xE4\xB8\xAD\r\nmore=\xE6\x96\x87\r\n");

  Write("[s]\rk=old\r");
  ini.WriteString("s", "k", "new");
  EXPECT_EQ(Read(), "[s]\rk=new\r");
}

// Names and values holding characters whose second byte is a delimiter of the file ("[", "]",
// "=" or ";" would be, but no character ends in those two), or a stray lead byte before one.
TEST_F(IniFileTest, TwoByteCharactersNeverActAsDelimiters) {
  struct TRow {
    std::string Section, Name, Value, ReadValue;
  };
  const TRow rows[] = {
      {Utf8ToGbk("竇"), "k", "v", "v"},                       // B8 5D: ends in "]"
      {Utf8ToGbk("乚"), "k", "v", "v"},                       // 81 5D: ends in "]"
      {Utf8ToGbk("竅竇"), "k", "v", "v"},                     // "[" and "]" as second bytes
      {Utf8ToGbk("這們"), Utf8ToGbk("丂乤"), "v", "v"},       // extension-area characters
      {"s", "a\x81", "v", "v"},                               // a stray lead byte before "="
      {"s2", "k", "v\x81;note", "v\x81"},                     // and before ";"
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Section + " " + row.Name);
    std::remove(File.c_str());
    TIniFile ini(File);
    ini.WriteString(row.Section, row.Name, row.Value);
    ini.WriteString(row.Section, "second", "2");
    EXPECT_EQ(ini.ReadString(row.Section, row.Name, "default"), row.ReadValue);
    EXPECT_EQ(ini.ReadString(row.Section, "second", "default"), "2");
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(Joined(sections), row.Section);  // written once, found again, never appended
  }
}

// A UTF-8 file may hold characters GBK lacks: they read as "?", and every line that is not
// replaced keeps its bytes, its encoding and the byte-order mark.
TEST_F(IniFileTest, Utf8FilesWithCharactersGbkLacksStayUsable) {
  const std::string emoji = "\xF0\x9F\x98\x80";
  const std::string original = "\xEF\xBB\xBF; " + emoji + " note\r\n[s]\r\nname=a" + emoji +
                               "b\r\nother=\xE4\xB8\xAD\r\n[" + emoji + "]\r\nk=1\r\n";
  Write(original);
  TIniFile ini(File);
  EXPECT_EQ(ini.ReadString("s", "name", ""), "a?b");
  EXPECT_EQ(ini.ReadString("s", "other", ""), Res("中"));
  EXPECT_EQ(ini.ReadString("?", "k", ""), "1");
  TStringList lines;
  ini.ReadLines(lines);
  EXPECT_EQ(lines.Get(0), "; ? note");

  ini.WriteString("s", "other", Res("文"));
  EXPECT_EQ(Read(), "\xEF\xBB\xBF; " + emoji + " note\r\n[s]\r\nname=a" + emoji +
                        "b\r\nother=\xE6\x96\x87\r\n[" + emoji + "]\r\nk=1\r\n");
  ini.WriteString("new", "k", "v");
  ini.DeleteKey("s", "other");
  EXPECT_EQ(Read(), "\xEF\xBB\xBF; " + emoji + " note\r\n[s]\r\nname=a" + emoji + "b\r\n[" +
                        emoji + "]\r\nk=1\r\n[new]\r\nk=v\r\n");

  // Bytes that are not UTF-8 at all read as "?" and are kept as well.
  Write("\xEF\xBB\xBF[s]\nk=\xFF\xFE\nj=1\n");
  EXPECT_EQ(ini.ReadString("s", "k", ""), "??");
  ini.WriteString("s", "j", "2");
  EXPECT_EQ(Read(), "\xEF\xBB\xBF[s]\nk=\xFF\xFE\nj=2\n");
}

TEST_F(IniFileTest, WholeFileTextAndLines) {
  TIniFile ini(File);
  ini.WriteText("line one\nline two\r\n[x]");
  EXPECT_EQ(Read(), "line one\nline two\r\n[x]");
  TStringList lines;
  ini.ReadLines(lines);
  EXPECT_EQ(Joined(lines), "line one|line two|[x]");
}

TEST_F(IniFileTest, FailuresRaiseAndLeaveTheFileWhole) {
  Write("[s]\nk=1\n");
  TIniFile ini(File);
  if (geteuid() != 0) {
    // Permissions do not stop the superuser, so this part only runs for other users.
    chmod(Folder.c_str(), 0500);
    EXPECT_THROW(ini.WriteString("s", "k", "2"), EIniFileException);
    chmod(Folder.c_str(), 0700);
  }
  TIniFile unnamed("");
  EXPECT_EQ(unnamed.ReadString("s", "k", "d"), "d");
  EXPECT_THROW(unnamed.WriteString("s", "k", "v"), EIniFileException);
  TIniFile nowhere(Folder + "/no/such/folder/x.ini");
  try {
    nowhere.WriteString("s", "k", "v");
    ADD_FAILURE() << "writing into a missing folder succeeded";
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message, "Unable to write to " + Folder + "/no/such/folder/x.ini");
  }
  EXPECT_EQ(Read(), "[s]\nk=1\n");

  TIniFile folder(Folder);
  try {
    folder.ReadString("s", "k", "");
    ADD_FAILURE() << "reading a folder succeeded";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message, "Cannot open file \"" + Folder + "\". Is a directory");
  }
  EXPECT_THROW(folder.WriteString("s", "k", "v"), EFOpenError);
  EXPECT_TRUE(fs::is_directory(Folder));
}

TEST_F(IniFileTest, BackslashesInTheFileNameSeparateFolders) {
  fs::create_directory(Folder + "/sub");
  TIniFile ini(Folder + "\\sub\\b.ini");
  ini.WriteString("s", "k", "v");
  EXPECT_TRUE(fs::exists(Folder + "/sub/b.ini"));
  EXPECT_EQ(ini.ReadString("s", "k", ""), "v");
}
