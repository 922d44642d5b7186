// The function catalogue the programs ship, and the reading of such files. (That it has a line
// for every function and no other is checked where every library is loaded: the workbench.)
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
