// The function catalogue the programs ship: exactly one line for every function registered in
// the host (whichever libraries registered it), no line for a name that is not registered,
// each a prototype of its function with a description, in GBK; and the reading of such files.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli/Catalogue.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "platform/OsText.h"
#include "runtime/Gbk.h"
#include "runtime/GbkChars.h"
#include "runtime/Stream.h"

using namespace qnexp;
using namespace qnexp::cli;

namespace {

std::string ShippedCatalogue() {
  std::filesystem::path file = std::filesystem::path(__FILE__).parent_path().parent_path()
                                   .parent_path() / "examples" / "Data" / "函数简表.DAT";
  return ReadFileBytes(FromOsText(file.string()));
}

}  // namespace

TEST(Catalogue, HasOneLineForEachRegisteredFunctionAndNoOther) {
  std::string bytes = ShippedCatalogue();
  EXPECT_NO_THROW(GbkToUtf8(bytes)) << "the catalogue is not GBK";
  // Functions that expressions define are the users', not the catalogue's.
  std::map<std::string, int> lines;
  const TFunctionList& registry = *ExpTranslator->Functions;
  for (int i = 0; i < registry.Count(); ++i)
    if (!registry.GetCustomFunction(registry.Get(i))) lines[registry.Get(i)] = 0;
  ASSERT_TRUE(lines.count("DB_COUNT")) << "the database functions are not registered";

  std::vector<TFunctionEntry> entries = ParseCatalogue(bytes);
  for (const TFunctionEntry& entry : entries) {
    auto line = lines.find(UpperCase(entry.Name));
    if (line == lines.end())
      ADD_FAILURE() << "no registered function for the line " << GbkToUtf8Lenient(entry.Prototype);
    else
      ++line->second;
    // "Name(parameters)": the name, then its parameters in parentheses.
    EXPECT_EQ(entry.Prototype.compare(0, entry.Name.size() + 1, entry.Name + "("), 0)
        << entry.Prototype;
    EXPECT_TRUE(entry.Prototype.ends_with(")")) << entry.Prototype;
    EXPECT_FALSE(entry.Description.empty()) << entry.Prototype;
  }
  for (const auto& [name, count] : lines) EXPECT_EQ(count, 1) << "lines for " << name;
}

TEST(Catalogue, TheBuildPutsItWhereTheProgramsReadIt) {
  EXPECT_EQ(ReadFileBytes(CataloguePath()), ShippedCatalogue());
  EXPECT_EQ(ReadCatalogue().size(), ParseCatalogue(ShippedCatalogue()).size());
}

TEST(Catalogue, LinesParse) {
  std::vector<TFunctionEntry> entries =
      ParseCatalogue("Abs(x)=?;\xBE\xF8\xB6\xD4\xD6\xB5\r\n\r\n  Pi ( ) \n Odd(x)=?; \n");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Name, "Abs");
  EXPECT_EQ(entries[0].Description, "\xBE\xF8\xB6\xD4\xD6\xB5");
  EXPECT_EQ(entries[1].Name, "Pi");
  EXPECT_EQ(entries[1].Prototype, "Pi ( )");
  EXPECT_EQ(entries[1].Description, "");
  EXPECT_EQ(entries[2].Prototype, "Odd(x)");
  // UTF-8 after a byte-order mark reads as GBK.
  EXPECT_EQ(ParseCatalogue("\xEF\xBB\xBF" "Abs(x)=?;绝对值")[0].Description, Utf8ToGbk("绝对值"));
}
