// Measures, in one run, the translator's throughput on long generated texts, the time of
// one evaluation of short formulas, the latter side by side with muparser, and macro
// expansion of self-growing macros; ends with the translation and expansion scaling ratios
// and an evaluation comparison.
#include <regex.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "bench/BenchText.h"
#include "bench/EvalBench.h"
#include "bench/FloorBench.h"
#include "bench/MacroBench.h"
#include "core/EntryPoints.h"
#include "core/Translator.h"
#include "core/Variables.h"
#include "functions/FlatEvaluation.h"
#include "runtime/Exception.h"
#include "runtime/Gbk.h"

namespace qnexp {

namespace {

struct TTextSize {
  const char* Label;
  size_t Bytes;
};
constexpr TTextSize kTextSizes[] = {{"10K", 10'000}, {"100K", 100'000}, {"1M", 1'000'000}};

// Ten times the text may cost at most this many times the translation or expansion time.
constexpr double kScalingLimit = 12.0;

constexpr TTextSize kExpansionSizes[] = {
    {"1K", 1'000}, {"10K", 10'000}, {"100K", 100'000}, {"1M", 1'000'000}};

// Paddings of the self-referring macro: the first runs into the substitution limit, the
// second into the text size limit.
constexpr size_t kSelfReferencePaddings[] = {100, 1000};

const std::string& BenchTextOf(size_t bytes) {
  static std::map<size_t, std::string> texts;
  auto found = texts.find(bytes);
  if (found == texts.end()) found = texts.emplace(bytes, GenerateBenchText(bytes)).first;
  return found->second;
}

// Writes over a buffer larger than the processor's caches (64 MB: 8 MB left the 10K text
// still clearly favoured), so that the next translation finds neither the last tree nor the
// memory it was freed into there. A text is translated once in real use; without this the
// 10K text's tree (about 0.6 MB) stays in the cache from one round to the next while the
// larger texts' trees cannot, and the scaling ratios would compare the cache rather than the
// translator.
void EvictCaches() {
  static std::vector<unsigned char> buffer(64 << 20);
  for (size_t i = 0; i < buffer.size(); i += 64) ++buffer[i];
  benchmark::DoNotOptimize(buffer.data());
}

// Freeing the tree is not translation: it happens with the clock paused, as does clearing the
// caches.
void TranslateBenchmark(benchmark::State& state, size_t bytes) {
  const std::string& text = BenchTextOf(bytes);
  DefineBenchVariables();
  try {
    for (auto _ : state) {
      std::unique_ptr<TExpression> root = TranslateExp(text);
      if (!root) {
        state.SkipWithError(GbkToUtf8Lenient(ExpTranslator->StatusMsg()).c_str());
        break;
      }
      state.PauseTiming();
      root.reset();
      EvictCaches();
      state.ResumeTiming();
    }
  } catch (const Exception& error) {
    state.SkipWithError(GbkToUtf8Lenient(error.Message).c_str());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
  state.counters["text_bytes"] = static_cast<double>(text.size());
}

// flat: whether the engine may use its flattened evaluation (the default), or must walk.
void EngineEvalBenchmark(benchmark::State& state, const char* text, bool flat) {
  TFlatEvaluation::Enabled = flat;
  TEngineBinding binding(text);
  if (!binding.Error().empty()) {
    state.SkipWithError(GbkToUtf8Lenient(binding.Error()).c_str());
    return;
  }
  TBenchValues values;
  ResetBenchValues(values);
  for (auto _ : state) {
    for (double& value : values) value += kBenchValueStep;
    benchmark::DoNotOptimize(binding.Evaluate(values));
  }
  if (binding.EvaluationFailed()) state.SkipWithError("the evaluation raised an error");
  TFlatEvaluation::Enabled = true;
}

void MuparserEvalBenchmark(benchmark::State& state, const char* text) {
  TBenchValues values;
  ResetBenchValues(values);
  TMuparserBinding binding(text, values);
  if (!binding.Error().empty()) {
    state.SkipWithError(binding.Error().c_str());
    return;
  }
  for (auto _ : state) {
    for (double& value : values) value += kBenchValueStep;
    benchmark::DoNotOptimize(binding.Evaluate());
  }
}

// The short text of the translation target, translated whole each time.
constexpr const char* kShortText = "(a+b)*(c-1)/2+sin(a)";

// Texts translated between two pauses of the timer: pausing and resuming reads the clocks,
// which on a virtual machine costs about as much as a translation. Freeing a batch of 100 made
// the allocator give its memory back and fault it in again at every batch.
constexpr int kShortTextBatch = 40;

void TranslateShortBenchmark(benchmark::State& state) {
  DefineBenchVariables();
  std::vector<std::unique_ptr<TExpression>> roots(kShortTextBatch);
  for (auto _ : state) {
    for (auto& root : roots) root = TranslateExp(kShortText);
    state.PauseTiming();
    if (!roots.back()) {
      state.SkipWithError("the short text does not translate");
      break;
    }
    for (auto& root : roots) root.reset();
    state.ResumeTiming();
  }
  state.counters["texts"] = kShortTextBatch;
}

// One evaluation of ToStr(x) over a variable of the given type whose value changes each time.
void ToStrBenchmark(benchmark::State& state, TExpDataType type) {
  DefineBenchVariables();
  const char* name = "a";
  if (type == etInteger) {
    name = "BenchInteger";
    PubVarList->SetVarExp(name, CreateIntExp(12345).release());
  } else if (type == etDateTime) {
    name = "BenchDateTime";
    PubVarList->SetVarExp(name, CreateDateTimeExp(46000.3).release());
  }
  TExpression* variable = PubVarList->GetVarExp(name);
  std::unique_ptr<TExpression> root = TranslateExp(std::string("ToStr(") + name + ")");
  if (!root || !variable) {
    state.SkipWithError("ToStr does not translate");
    return;
  }
  long double value = 1234.5678;
  for (auto _ : state) {
    value += 1.0009765625;
    if (type == etInteger)
      variable->PutInteger(static_cast<int32_t>(value));
    else if (type == etDateTime)
      variable->PutDateTime(46000.3 + static_cast<double>(value) / 1e4);
    else
      variable->PutReal(value);
    ExpEvaluate(*root, kForceStamp);
    benchmark::DoNotOptimize(root->Value.StrValue.data());
  }
}

// One expansion of "~A~" producing about bytes bytes.
void ExpansionBenchmark(benchmark::State& state, size_t bytes) {
  TGrowingMacros macros(bytes);
  size_t produced = 0;
  try {
    for (auto _ : state) produced = macros.Expand().size();
  } catch (const Exception& error) {
    state.SkipWithError(GbkToUtf8Lenient(error.Message).c_str());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(produced));
  state.counters["text_bytes"] = static_cast<double>(produced);
}

// A user's self-referring macro, expanded until a limit stops it.
void SelfReferenceBenchmark(benchmark::State& state, size_t padding) {
  for (auto _ : state)
    if (ExpandSelfReferringMacro(padding).empty()) state.SkipWithError("no limit raised");
}

// The hand-coded bounds; the values change as in the evaluation benchmarks.
void FloorBenchmark(benchmark::State& state, bool everyNode) {
  TFloorBinding binding;
  if (!binding.Error().empty()) {
    state.SkipWithError(binding.Error().c_str());
    return;
  }
  TBenchValues values;
  ResetBenchValues(values);
  for (auto _ : state) {
    for (double& value : values) value += kBenchValueStep;
    benchmark::DoNotOptimize(everyNode ? binding.EvaluateEveryNode(values)
                                       : binding.EvaluateRootOnly(values));
  }
}

void RegisterAll() {
  for (const TTextSize& size : kTextSizes)
    benchmark::RegisterBenchmark((std::string("BM_Translate/") + size.Label).c_str(),
                                 TranslateBenchmark, size.Bytes)
        ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("BM_TranslateShort", TranslateShortBenchmark);
  benchmark::RegisterBenchmark("BM_ToStr/real", ToStrBenchmark, etReal);
  benchmark::RegisterBenchmark("BM_ToStr/integer", ToStrBenchmark, etInteger);
  benchmark::RegisterBenchmark("BM_ToStr/datetime", ToStrBenchmark, etDateTime);
  for (const char* text : BenchEvalExpressions()) {
    benchmark::RegisterBenchmark((std::string("BM_Eval/qnexp/") + text).c_str(),
                                 EngineEvalBenchmark, text, true);
    benchmark::RegisterBenchmark((std::string("BM_Eval/qnexp-walk/") + text).c_str(),
                                 EngineEvalBenchmark, text, false);
    benchmark::RegisterBenchmark((std::string("BM_Eval/muparser/") + text).c_str(),
                                 MuparserEvalBenchmark, text);
  }
  benchmark::RegisterBenchmark("BM_Floor/every node", FloorBenchmark, true);
  benchmark::RegisterBenchmark("BM_Floor/root only", FloorBenchmark, false);
  for (const TTextSize& size : kExpansionSizes)
    benchmark::RegisterBenchmark((std::string("BM_ExpandMacros/") + size.Label).c_str(),
                                 ExpansionBenchmark, size.Bytes)
        ->Unit(benchmark::kMicrosecond);
  for (size_t padding : kSelfReferencePaddings)
    benchmark::RegisterBenchmark(
        ("BM_SelfReferringMacro/padding" + std::to_string(padding)).c_str(),
        SelfReferenceBenchmark, padding)
        ->Unit(benchmark::kMillisecond);
}

// Whether the run's filter selects a benchmark of this name; the filter is the library's
// extended regular expression (a leading "-" excludes what it matches).
bool FilterSelects(const std::string& name) {
  std::string filter = benchmark::GetBenchmarkFilter();
  bool negated = !filter.empty() && filter[0] == '-';
  if (negated) filter.erase(0, 1);
  if (filter.empty() || filter == "all") return !negated;
  regex_t pattern;
  if (regcomp(&pattern, filter.c_str(), REG_EXTENDED | REG_NOSUB) != 0) return true;
  bool matches = regexec(&pattern, name.c_str(), 0, nullptr, 0) == 0;
  regfree(&pattern);
  return matches != negated;
}

bool EvaluationSelected(const char* text) {
  for (const char* engine : {"qnexp/", "qnexp-walk/", "muparser/"})
    if (FilterSelects(std::string("BM_Eval/") + engine + text)) return true;
  return false;
}

// Both engines must compute the same values, or the comparison means nothing. Returns false
// (after saying which) when they disagree on any expression the run measures over a few rounds
// of values. Only those are checked: under an instruction counter that computes in doubles,
// sine and cosine lose their last digits and would stop a count of the others.
bool EnginesAgree() {
  bool agree = true;
  for (const char* text : BenchEvalExpressions()) {
    if (!EvaluationSelected(text)) continue;
    TEngineBinding engine(text);
    TBenchValues values;
    ResetBenchValues(values);
    TMuparserBinding muparser(text, values);
    if (!engine.Error().empty() || !muparser.Error().empty()) {
      std::fprintf(stderr, "%s does not translate: %s%s\n", text,
                   GbkToUtf8Lenient(engine.Error()).c_str(), muparser.Error().c_str());
      agree = false;
      continue;
    }
    for (int round = 0; round < 100; ++round) {
      for (double& value : values) value += kBenchValueStep * 37;
      double ours = static_cast<double>(engine.Evaluate(values));
      double theirs = muparser.Evaluate();
      double scale = std::max(1.0, std::abs(theirs));
      if (engine.EvaluationFailed() || std::abs(ours - theirs) > 1e-9 * scale) {
        std::fprintf(stderr, "%s: qnexp gives %.17g, muparser %.17g\n", text, ours, theirs);
        agree = false;
        break;
      }
    }
  }
  return agree;
}

// The console table as usual, plus what the closing summary needs from each run.
class TSummaryReporter : public benchmark::ConsoleReporter {
public:
  TSummaryReporter()
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& reports) override {
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
      if (run.error_occurred) continue;
      // With --benchmark_repetitions the median speaks for the benchmark; a single run
      // otherwise.
      bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type != Run::RT_Iteration && !median) continue;
      TFigures& figures = Figures[run.run_name.str()];
      if (figures.FromMedian && !median) continue;
      figures.FromMedian = median;
      // CPU time, like the library's byte rates: on a shared machine it is the steadier one.
      figures.Seconds =
          run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      auto bytes = run.counters.find("bytes_per_second");
      if (bytes != run.counters.end()) figures.BytesPerSecond = bytes->second.value;
      auto size = run.counters.find("text_bytes");
      if (size != run.counters.end()) figures.TextBytes = size->second.value;
      auto texts = run.counters.find("texts");
      if (texts != run.counters.end() && texts->second.value > 0)
        figures.Seconds /= texts->second.value;
    }
  }

  // The rates of one family over its sizes, and the cost of ten times the text.
  void PrintScaling(const char* title, const std::string& family,
                    std::span<const TTextSize> sizes) {
    std::printf("\n%s, per CPU second (MB = 10^6 bytes); ten times the text may cost\n"
                "at most %.0f times the time:\n",
                title, kScalingLimit);
    for (const TTextSize& size : sizes) {
      const TFigures* figures = Find(family + size.Label);
      if (figures && figures->BytesPerSecond > 0)
        std::printf("  %-5s %9.0f bytes  %10.3f ms  %8.2f MB/s\n", size.Label,
                    figures->TextBytes, figures->Seconds * 1e3, figures->BytesPerSecond / 1e6);
    }
    for (size_t i = 1; i < sizes.size(); ++i) {
      const TFigures* small = Find(family + sizes[i - 1].Label);
      const TFigures* large = Find(family + sizes[i].Label);
      if (!small || !large || small->BytesPerSecond <= 0 || large->BytesPerSecond <= 0)
        continue;
      // The time of ten times the text, whatever the exact sizes generated.
      double tenfold = 10.0 * small->BytesPerSecond / large->BytesPerSecond;
      std::printf("  ratio %s/%s: %.2f  (%s)\n", sizes[i].Label, sizes[i - 1].Label, tenfold,
                  tenfold <= kScalingLimit ? "within the limit" : "OVER THE LIMIT");
    }
  }

  void PrintSummary() {
    PrintScaling("Translation", "BM_Translate/", kTextSizes);
    PrintScaling("Expansion of a self-growing macro", "BM_ExpandMacros/", kExpansionSizes);
    std::printf("\nA self-referring macro expanded until a limit stops it, CPU ms:\n");
    for (size_t padding : kSelfReferencePaddings)
      if (const TFigures* figures =
              Find("BM_SelfReferringMacro/padding" + std::to_string(padding)))
        std::printf("  padding %4zu bytes  %10.1f ms\n", padding, figures->Seconds * 1e3);
    std::printf("\nOne evaluation, CPU ns (qnexp, muparser, ratio; qnexp walking every node):\n");
    for (const char* text : BenchEvalExpressions()) {
      const TFigures* ours = Find(std::string("BM_Eval/qnexp/") + text);
      const TFigures* theirs = Find(std::string("BM_Eval/muparser/") + text);
      const TFigures* walk = Find(std::string("BM_Eval/qnexp-walk/") + text);
      if (!ours || !theirs || theirs->Seconds <= 0) continue;
      std::printf("  %-18s %8.2f %8.2f  x%.2f", text, ours->Seconds * 1e9,
                  theirs->Seconds * 1e9, ours->Seconds / theirs->Seconds);
      if (walk) std::printf("   (walk %.2f)", walk->Seconds * 1e9);
      std::printf("\n");
    }
    if (const TFigures* shortText = Find("BM_TranslateShort"))
      std::printf("\nTranslating %s: %.3f us\n", kShortText, shortText->Seconds * 1e6);
    std::printf("\nToStr, CPU ns:");
    for (const char* kind : {"real", "integer", "datetime"})
      if (const TFigures* figures = Find(std::string("BM_ToStr/") + kind))
        std::printf("  %s %.1f", kind, figures->Seconds * 1e9);
    std::printf("\n");
    const TFigures* everyNode = Find("BM_Floor/every node");
    const TFigures* rootOnly = Find("BM_Floor/root only");
    if (everyNode && rootOnly)
      std::printf("\n%s coded by hand, CPU ns: every node written %.2f, root only %.2f\n",
                  kFloorExpression, everyNode->Seconds * 1e9, rootOnly->Seconds * 1e9);
  }

private:
  struct TFigures {
    double Seconds = 0;
    double BytesPerSecond = 0;
    double TextBytes = 0;
    bool FromMedian = false;
  };
  const TFigures* Find(const std::string& name) const {
    auto found = Figures.find(name);
    return found == Figures.end() ? nullptr : &found->second;
  }
  std::map<std::string, TFigures> Figures;
};

}  // namespace

}  // namespace qnexp

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!qnexp::EnginesAgree()) return 1;
  qnexp::RegisterAll();
  qnexp::TSummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
