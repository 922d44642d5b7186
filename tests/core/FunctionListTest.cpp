// The function registry: derived names, duplicates in the log, lookups in any case and aliases.
#include <gtest/gtest.h>

#include <vector>

#include "core/EntryPoints.h"
#include "core/FunctionList.h"
#include "core/Function.h"
#include "core/Translator.h"
#include "functions/Arithmetic.h"
#include "runtime/Gbk.h"
#include "support/AppLog.h"

using namespace qnexp;

namespace {

class TExp_Sample : public TP2Function {
  QN_CLASS(TExp_Sample, TP2Function)
};

class TDBGridSelectedRowCount : public TFunction {
  QN_CLASS(TDBGridSelectedRowCount, TFunction)
};

class texp_lower : public TFunction {
  QN_CLASS(texp_lower, TFunction)
};

}  // namespace

TEST(FunctionList, NamesComeFromClassNames) {
  EXPECT_EQ(FuncNameOf(TExp_Sample::StaticClass()), "Sample");
  EXPECT_EQ(FuncNameOf(TDBGridSelectedRowCount::StaticClass()), "DBGridSelectedRowCount");
  EXPECT_EQ(FuncNameOf(texp_lower::StaticClass()), "lower");
}

TEST(FunctionList, DuplicatesAreLoggedAndTheFirstStays) {
  std::vector<std::string> lines;
  SetLogSink([&](const std::string& line) { lines.push_back(line); });
  TFunctionList list;
  list.RegisterFunctions({&TExp_Sample::StaticClass(), &TDBGridSelectedRowCount::StaticClass()});
  EXPECT_TRUE(lines.empty());
  list.RegisterFunctions({&TExp_Sample::StaticClass(), &TDBGridSelectedRowCount::StaticClass()});
  SetLogSink(nullptr);
  EXPECT_EQ(list.Count(), 2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(GbkToUtf8(lines[0]), "函数重名(Sample)");
  EXPECT_EQ(GbkToUtf8(lines[1]), "函数重名(DBGridSelectedRowCount)");
  EXPECT_EQ(list.Get(0), "SAMPLE");
}

TEST(FunctionList, LooksUpInAnyCaseAndCreatesNodes) {
  TFunctionList list;
  list.RegisterFunctions({&TExp_Sample::StaticClass()});
  EXPECT_EQ(list.GetFuncClass("sample"), &TExp_Sample::StaticClass());
  EXPECT_EQ(list.GetFuncClass("SAMPLE"), &TExp_Sample::StaticClass());
  EXPECT_EQ(list.GetFuncClass("Sample"), &TExp_Sample::StaticClass());
  EXPECT_EQ(list.GetFuncClass("other"), nullptr);
  auto node = list.CreateFunction("sAmPlE");
  ASSERT_TRUE(node);
  EXPECT_EQ(node->ClassName(), "TExp_Sample");
  EXPECT_EQ(list.CreateFunction("other"), nullptr);
  list.UnRegisterFunctions(std::vector<const TClassInfo*>{&TExp_Sample::StaticClass()});
  EXPECT_EQ(list.Count(), 0);
}

TEST(FunctionList, AliasesAddAndRemoveOnlyTheAlias) {
  TFunctionList& registry = *ExpTranslator->Functions;
  TStringList lines;
  lines.Add(Utf8ToGbk("Neg = 取负"));
  lines.Add("no equals sign");
  lines.Add("Unknown = Whatever");
  lines.Add(" = Empty");
  int before = registry.Count();
  registry.RegisterFunctionAlias(lines);
  EXPECT_EQ(registry.Count(), before + 1);
  auto tree = TranslateExp(Utf8ToGbk("取负(5)"));
  ASSERT_TRUE(tree);
  EXPECT_EQ(tree->ClassName(), "TExp_Neg");
  registry.UnRegisterFunctionAlias(lines);
  EXPECT_EQ(registry.Count(), before);
  EXPECT_NE(registry.GetFuncClass("Neg"), nullptr);
  EXPECT_EQ(registry.GetFuncClass(Utf8ToGbk("取负")), nullptr);
}

// Translations look names up through the registry's index; every later change must be seen.
TEST(FunctionList, LookupsFollowEveryChangeOfTheRegistry) {
  TFunctionList& registry = *ExpTranslator->Functions;
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(TranslateExp("Neg(1)+Abs(2)"));
  int before = registry.Count();

  registry.AddFunction("IndexedSample", TExp_Sample::StaticClass());
  auto sample = TranslateExp("indexedSAMPLE(1, 2)");
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->ClassName(), "TExp_Sample");

  // Two characters whose second bytes are 'a' and 'A' are different names.
  TStringList lines;
  lines.Add("Abs = \xB0\x61");
  registry.RegisterFunctionAlias(lines);
  auto alias = TranslateExp("\xB0\x61(-3)");
  ASSERT_TRUE(alias);
  EXPECT_EQ(alias->ClassName(), "TExp_Abs");
  EXPECT_FALSE(TranslateExp("\xB0\x41(-3)"));
  EXPECT_EQ(ExpTranslator->Status, tsBadFunctionName);

  registry.UnRegisterFunctionAlias(lines);
  EXPECT_FALSE(TranslateExp("\xB0\x61(-3)"));
  registry.DelFunction("INDEXEDSAMPLE");
  EXPECT_FALSE(TranslateExp("IndexedSample(1, 2)"));
  EXPECT_EQ(ExpTranslator->Status, tsBadFunctionName);
  EXPECT_EQ(registry.Count(), before);
  EXPECT_TRUE(TranslateExp("Neg(1)+Abs(2)"));
}
