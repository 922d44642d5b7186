// The data and expression files the workbench ships, the rules that read them, and the
// catalogue's coverage of every function the program registers.
#include <QDir>
#include <map>
#include <set>

#include "WorkbenchTesting.h"
#include "cli/Catalogue.h"
#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "platform/QtText.h"
#include "runtime/GbkChars.h"
#include "runtime/Stream.h"
#include "support/StrFuncs.h"
#include "workbench/WorkbenchFiles.h"

using namespace qnexp;
using namespace qnexp::testing;
using namespace qnexp::workbench;

namespace {

TEST(WorkbenchFiles, DefinitionLines) {
  EXPECT_EQ(ParseDefinitionLine("  ; note"), std::nullopt);
  EXPECT_EQ(ParseDefinitionLine("[section]"), std::nullopt);
  EXPECT_EQ(ParseDefinitionLine(" \t "), std::nullopt);
  auto line = ParseDefinitionLine("  Rate = 0.13 ");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->Name, "Rate");
  EXPECT_EQ(line->Text, " 0.13 ");
  // The first "=" outside quotes splits; a second byte of a character is never a quote.
  line = ParseDefinitionLine("'a=b' x = 'c=d'");
  EXPECT_EQ(line->Name, "'a=b' x");
  EXPECT_EQ(line->Text, " 'c=d'");
  line = ParseDefinitionLine(Utf8ToGbk("变量=1"));
  EXPECT_EQ(line->Name, Utf8ToGbk("变量"));
  EXPECT_EQ(ParseDefinitionLine("Name")->Text, "");
}

TEST(WorkbenchFiles, ExampleMenuPaths) {
  using Path = std::vector<std::string>;
  EXPECT_EQ(ExampleMenuPath("Text.Upper.exp"), (Path{"Text", "Upper"}));
  EXPECT_EQ(ExampleMenuPath("Upper.EXP"), Path{"Upper"});
  EXPECT_EQ(ExampleMenuPath("a.b.c.Exp"), (Path{"a", "b", "c"}));
  EXPECT_EQ(ExampleMenuPath("Upper.txt"), Path{});
  EXPECT_EQ(ExampleMenuPath("exp"), Path{});
  EXPECT_EQ(ExampleMenuPath("Upper.exp.bak"), Path{});
}

TEST(WorkbenchFiles, FirstParameterCountsCharacters) {
  TParameterSelection selection = FirstParameter("Copy(s, index, count)");
  EXPECT_EQ(selection.Offset, -16);
  EXPECT_EQ(selection.Length, 1);
  selection = FirstParameter(Utf8ToGbk("金额(数值)"));
  EXPECT_EQ(selection.Offset, -3);
  EXPECT_EQ(selection.Length, 2);
  selection = FirstParameter("Pi()");
  EXPECT_EQ(selection.Offset, -1);
  EXPECT_EQ(selection.Length, 0);
  selection = FirstParameter("Broken(");
  EXPECT_EQ(selection.Offset, 0);
  EXPECT_EQ(selection.Length, 0);
  EXPECT_EQ(FirstParameter("NoBrackets").Offset, 0);
}

TEST(WorkbenchFiles, TextLinesAcceptEveryLineEnd) {
  EXPECT_EQ(TextLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(TextLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(TextLines("").empty());
}

class TShippedFilesTest : public TWorkbenchTest {};

TEST_F(TShippedFilesTest, TheCatalogueHasOneLineForEachRegisteredFunctionAndNoOther) {
  std::string bytes = ReadFileBytes(CatalogueFile());
  EXPECT_NO_THROW(GbkToUtf8(bytes)) << "the catalogue is not GBK";
  // Functions that expressions define are the users', not the catalogue's; the aliases of the
  // alias table share their function's line.
  std::set<std::string> aliases;
  for (const std::string& line : TextLines(ReadFileBytes(AliasFile())))
    if (auto definition = ParseDefinitionLine(line)) aliases.insert(UpperCase(TrimBoth(definition->Text)));
  std::map<std::string, int> lines;
  const TFunctionList& registry = *ExpTranslator->Functions;
  for (int i = 0; i < registry.Count(); ++i) {
    const std::string& name = registry.Get(i);
    if (!registry.GetCustomFunction(name) && !aliases.count(name)) lines[name] = 0;
  }
  ASSERT_TRUE(lines.count("DB_COUNT")) << "the database functions are not registered";
  ASSERT_TRUE(lines.count("GRLINE")) << "the drawing functions are not registered";

  for (const cli::TFunctionEntry& entry : cli::ParseCatalogue(bytes)) {
    auto line = lines.find(UpperCase(entry.Name));
    if (line == lines.end())
      ADD_FAILURE() << "no registered function for the line " << GbkToUtf8Lenient(entry.Prototype);
    else
      ++line->second;
    EXPECT_EQ(entry.Prototype.compare(0, entry.Name.size() + 1, entry.Name + "("), 0)
        << entry.Prototype;
    EXPECT_TRUE(entry.Prototype.ends_with(")")) << entry.Prototype;
    EXPECT_FALSE(entry.Description.empty()) << entry.Prototype;
  }
  for (const auto& [name, count] : lines) EXPECT_EQ(count, 1) << "lines for " << name;
}

TEST_F(TShippedFilesTest, PredefinedVariablesAndAliasesAreDefinedAtStart) {
  int variables = 0;
  for (const std::string& line : TextLines(ReadFileBytes(PredefinedVariableFile())))
    if (auto definition = ParseDefinitionLine(line)) {
      ++variables;
      EXPECT_NE(PubVarList->GetVarExp(definition->Name), nullptr) << GbkToUtf8Lenient(line);
    }
  EXPECT_GE(variables, 5);
  int aliases = 0;
  for (const std::string& line : TextLines(ReadFileBytes(AliasFile()))) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    ++aliases;
    std::string alias = line.substr(equals + 1);
    EXPECT_EQ(ExpTranslator->Functions->GetFuncClass(TrimBoth(alias)),
              ExpTranslator->Functions->GetFuncClass(TrimBoth(line.substr(0, equals))))
        << GbkToUtf8Lenient(line);
  }
  EXPECT_GE(aliases, 5);
}

// Every example file, in a window of its own that has just started.
class TExampleTest : public TWorkbenchTest, public ::testing::WithParamInterface<std::string> {};

std::vector<std::string> ExampleFiles() {
  std::vector<std::string> names;
  QDir folder(ToQString(ExpressionFolder()));
  for (const QString& file : folder.entryList({"*.exp"}, QDir::Files, QDir::Name))
    if (!ExampleMenuPath(FromQString(file)).empty() && file.count('.') >= 2)
      names.push_back(FromQString(file));
  return names;
}

TEST(Examples, ThereAreThirtyAtLeast) { EXPECT_GE(ExampleFiles().size(), 30u); }

TEST_P(TExampleTest, EvaluatesWithoutError) {
  Form->show();
  Form->LoadExample(ExpressionFolder() + "/" + GetParam());
  ASSERT_TRUE(Messages.empty()) << Messages.front();
  std::string text = FromQString(Editor()->toPlainText());
  ASSERT_FALSE(TrimBoth(text).empty());
  std::unique_ptr<TExpression> tree = TranslateExp(text);
  ASSERT_NE(tree, nullptr) << GbkToUtf8Lenient(ExpTranslator->ErrorMsg());
  EXPECT_NO_THROW(tree->Evaluate(kForceStamp));
  EXPECT_TRUE(Errors.empty()) << GbkToUtf8Lenient(Errors.front());
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  return "file" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Shipped, TExampleTest, ::testing::ValuesIn(ExampleFiles()), TestName);

}  // namespace
