// Parsing time against line length: lines of 1 KB, 10 KB and 99,999 bytes of each common
// shape. The reference is one plain pass over the line with the standard library that finds
// what any parser must find (parentheses, quotes, commas); the parser should stay a constant
// factor above it, and the fitted complexity should be O(N).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "engine/shortcut_array.h"
#include "host/trace_log.h"
#include "language/my_func_parser.h"
#include "language/my_macro.h"
#include "language/my_reg_exp.h"

namespace {

enum Shape { kString, kEscapedQuotes, kNumbers, kShortCuts, kTwoByte, kBigNumber };

// A line of exactly n bytes of one shape.
std::string MakeLine(Shape shape, size_t n) {
  const std::string head = shape == kBigNumber ? "Factorial(" : "F(";
  std::string body;
  const char* unit = "";
  switch (shape) {
    case kString:
      unit = "x";
      break;
    case kEscapedQuotes:
      unit = "\\\"";
      break;
    case kNumbers:
      unit = "12,";
      break;
    case kShortCuts:
      unit = "$1,";
      break;
    case kTwoByte:
      unit = "\x95\x5C";
      break;
    case kBigNumber:
      unit = "7";
      break;
  }
  const bool quoted = shape == kString || shape == kEscapedQuotes || shape == kTwoByte;
  const size_t frame = head.size() + 1 + (quoted ? 2 : 1);
  while (body.size() + frame < n) body += unit;
  body.resize(n - frame);
  // End on a whole unit: a digit, not a backslash that would escape the closing quote or a
  // lead byte without its trail byte.
  if (shape == kNumbers || shape == kShortCuts) body.back() = '1';
  if ((shape == kEscapedQuotes || shape == kTwoByte) && body.size() % 2 == 1) body.back() = 'x';
  std::string line = head + (quoted ? "\"" : "") + body + (quoted ? "\"" : "") + ")";
  line.resize(n, ' ');
  return line;
}

struct Shared {
  vpx::CMyMacro macro;
  vpx::CVXShortCutArray shortcuts;
  Shared() {
    vpx::InitTraceLog("/dev/null");
    macro.RegisterFuncTable();
    vpx::CMyFuncResult record;
    shortcuts.AddData(record);
    record.type = vpx::kRetUInt;
    record.number.SetByString("5");
    shortcuts.AddData(record);
    macro.SetShortCutArray(&shortcuts);
  }
};

Shared& GetShared() {
  static Shared shared;
  return shared;
}

void BM_Parser(benchmark::State& state, Shape shape) {
  const std::string line = MakeLine(shape, static_cast<size_t>(state.range(0)));
  vpx::CVXShortCutArray& shortcuts = GetShared().shortcuts;
  for (auto _ : state) {
    vpx::CMyFuncParser parser(&shortcuts);
    benchmark::DoNotOptimize(parser.CheckAndSetString(line));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  state.SetComplexityN(state.range(0));
}

void BM_Registry(benchmark::State& state, Shape shape) {
  const std::string line = MakeLine(shape, static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    vpx::CMyFuncData call;
    benchmark::DoNotOptimize(GetShared().macro.AnalyseAndGetID(line, call));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  state.SetComplexityN(state.range(0));
}

// Reference: one standard-library pass locating parentheses, quotes and commas.
void BM_ReferenceScan(benchmark::State& state, Shape shape) {
  const std::string line = MakeLine(shape, static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::string_view view(line);
    size_t open = view.find('(');
    size_t close = view.rfind(')');
    auto quotes = std::count(line.begin(), line.end(), '"');
    auto commas = std::count(line.begin(), line.end(), ',');
    benchmark::DoNotOptimize(open + close + static_cast<size_t>(quotes + commas));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  state.SetComplexityN(state.range(0));
}

// The matcher with stars over a long target that holds no match.
void BM_MatcherStars(benchmark::State& state) {
  vpx::CMyRegExp matcher;
  matcher.SetTarget(std::string(static_cast<size_t>(state.range(0)), 'a'));
  matcher.SetKeyword("*a*a*a*b");
  for (auto _ : state) {
    int length = 0;
    benchmark::DoNotOptimize(matcher.SearchKey(0, &length));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  state.SetComplexityN(state.range(0));
}

void Lengths(benchmark::internal::Benchmark* b) {
  b->Arg(1024)->Arg(10 * 1024)->Arg(99'999)->Complexity(benchmark::oN);
}

#define PARSER_SHAPE(shape)                                          \
  BENCHMARK_CAPTURE(BM_ReferenceScan, shape, shape)->Apply(Lengths); \
  BENCHMARK_CAPTURE(BM_Parser, shape, shape)->Apply(Lengths);

PARSER_SHAPE(kString)
PARSER_SHAPE(kEscapedQuotes)
PARSER_SHAPE(kNumbers)
PARSER_SHAPE(kShortCuts)
PARSER_SHAPE(kTwoByte)
PARSER_SHAPE(kBigNumber)
BENCHMARK_CAPTURE(BM_Registry, kNumbers, kNumbers)->Apply(Lengths);
BENCHMARK(BM_MatcherStars)->Apply(Lengths);

}  // namespace

BENCHMARK_MAIN();
