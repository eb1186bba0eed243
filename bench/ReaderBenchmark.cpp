// Reading speed of the form-definition reader on large synthetic definitions
// (components with a property of every kind), against two baselines measured
// in the same run: a pass that only skips the same bytes, and building the
// same tree in code (create, name, set the same values, destroy).
//
// For each size it prints the cost per component of each (the median of the
// rounds, with the lowest and highest in brackets), the cost of reading
// against the sum of the two baselines, and the costs per component against
// those at the smallest size, which stay near 1 while the work grows
// linearly.
//
//   reader_benchmark [rounds [components...]]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Registry.h"
#include "Runtime.h"
#include "StreamingClasses.h"
#include "Timing.h"

using namespace streaming_test;

namespace {

void Fill(TEveryKind& k, int i, TComponent* previous) {
  k.Int8 = static_cast<std::int8_t>(i % 100 - 50);
  k.UInt8 = static_cast<std::uint8_t>(i % 250 + 1);
  k.Int16 = static_cast<std::int16_t>(i - 1000);
  k.UInt16 = static_cast<std::uint16_t>(i + 40000);
  k.Int32 = i * 100003;
  k.NoDefaultInt = i;
  k.Color = i % 2 ? 0xFFFFFF : 0x123456;
  k.Char = static_cast<char>('a' + i % 26);
  k.Kind = static_cast<TKind>(1 + i % 2);
  k.Flag = true;
  k.Smalls = static_cast<std::uint8_t>(1 + i % 15);
  k.Single = 1.5f * i;
  k.Double = 2.25 * i;
  k.Extended = 3.125L * i;
  k.Comp = 1000000007LL * i;
  k.Currency = TCurrency{i * 12345LL};
  k.ShortText = "short" + std::to_string(i % 1000);
  k.Text = "A caption of component " + std::to_string(i);
  k.Reference = previous;
  k.Font()->Height = -(8 + i % 20);
  k.Font()->Name = "Arial";
  k.Font()->Style = static_cast<std::uint8_t>(i % 16);
  for (int n = 0; n < 3; ++n) {
    auto* item = static_cast<TItem*>(k.Items()->Add());
    item->Value = i + n;
    item->Text = "item";
  }
  k.Lines()->Add("first line");
  k.Lines()->Add("second line");
  k.SetIndexed(0, i);
  k.Binary = String(16, static_cast<char>(i));
}

// The tree of the definition, built in code; the caller destroys it.
void BuildTree(TKindsRoot& root, int components) {
  root.Rename("Root");
  TComponent* previous = nullptr;
  for (int i = 0; i < components; ++i) {
    auto* k = new TEveryKind(&root);
    k->Rename("Kind" + std::to_string(i));
    Fill(*k, i, previous);
    previous = k;
  }
}

// Seconds per repetition of `action`, run `repetitions` times.
template <class F>
double Time(int repetitions, F action) {
  const double start = Seconds();
  for (int r = 0; r < repetitions; ++r) action();
  return (Seconds() - start) / repetitions;
}

struct TSpread {
  double Median, Low, High;
};

TSpread SpreadOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {median, values.front(), values.back()};
}

struct TRow {
  int Components;             // with the root
  TSpread Read, Skip, Build;  // microseconds per component
};

TRow Measure(int owned, int rounds) {
  TMemoryStream definition;
  {
    TKindsRoot root(nullptr);
    BuildTree(root, owned);
    TWriter writer(definition, 4096);
    writer.WriteRootDefinition(&root, nullptr);
  }
  const int components = owned + 1;
  // About 100,000 components a measurement, however large the tree.
  const int repetitions = std::max(1, 100000 / components);
  auto read = [&] {
    definition.SetPosition(0);
    TKindsRoot root(nullptr);
    TReader reader(definition, 4096);
    reader.ReadRoot(&root);
    if (root.OwnedCount() != owned) std::exit(1);
  };
  auto skip = [&] {
    definition.SetPosition(0);
    TReader reader(definition, 4096);
    reader.CheckSignature();
    reader.SkipComponent(true);
  };
  auto build = [&] {
    TKindsRoot root(nullptr);
    BuildTree(root, owned);
  };
  std::vector<double> reads, skips, builds;
  const double perComponent = 1e6 / components;
  for (int round = 0; round < rounds; ++round) {
    reads.push_back(perComponent * Time(repetitions, read));
    skips.push_back(perComponent * Time(repetitions, skip));
    builds.push_back(perComponent * Time(repetitions, build));
  }
  return {components, SpreadOf(reads), SpreadOf(skips), SpreadOf(builds)};
}

void PrintSpread(const TSpread& s) { std::printf(" %7.2f (%6.2f-%6.2f)", s.Median, s.Low, s.High); }

}  // namespace

int main(int argc, char** argv) {
  InitRuntime();
  RegisterConverters();
  RegisterClassChain(TEveryKind::StaticClass());
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::max(1, std::atoi(argv[i])) - 1);
  if (sizes.empty()) sizes = {299, 2999, 29999, 99999};

  std::printf("microseconds per component: median of %d rounds (lowest-highest)\n", rounds);
  std::printf("%10s %23s %23s %23s %12s %10s %10s\n", "components", "read", "skip", "build",
              "read/(s+b)", "read/first", "build/first");
  std::vector<TRow> rows;
  for (int owned : sizes) {
    rows.push_back(Measure(owned, rounds));
    const TRow& row = rows.back();
    std::printf("%10d", row.Components);
    PrintSpread(row.Read);
    PrintSpread(row.Skip);
    PrintSpread(row.Build);
    std::printf(" %12.2f %10.2f %10.2f\n", row.Read.Median / (row.Skip.Median + row.Build.Median),
                row.Read.Median / rows.front().Read.Median,
                row.Build.Median / rows.front().Build.Median);
    std::fflush(stdout);
  }
  return 0;
}
