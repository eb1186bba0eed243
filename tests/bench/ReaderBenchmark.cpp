// Reading speed of the form-definition reader on a large synthetic
// definition (thousands of components with a property of every kind),
// against a pass that only skips the same bytes.
//
//   reader_benchmark [components] [repetitions]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "Registry.h"
#include "Runtime.h"
#include "StreamingClasses.h"

using namespace streaming_test;

namespace {

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

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

}  // namespace

int main(int argc, char** argv) {
  InitRuntime();
  RegisterConverters();
  RegisterClassChain(TEveryKind::StaticClass());
  const int components = argc > 1 ? std::atoi(argv[1]) : 3000;
  const int repetitions = argc > 2 ? std::atoi(argv[2]) : 20;

  TMemoryStream definition;
  {
    TKindsRoot root(nullptr);
    root.Rename("Root");
    TComponent* previous = nullptr;
    for (int i = 0; i < components; ++i) {
      auto* k = new TEveryKind(&root);
      k->Rename("Kind" + std::to_string(i));
      Fill(*k, i, previous);
      previous = k;
    }
    TWriter writer(definition, 4096);
    writer.WriteRootDefinition(&root, nullptr);
  }
  const double megabytes = definition.Size() / 1e6;

  double start = Seconds();
  for (int r = 0; r < repetitions; ++r) {
    definition.SetPosition(0);
    TKindsRoot root(nullptr);
    TReader reader(definition, 4096);
    reader.ReadRoot(&root);
    if (root.OwnedCount() != components) return 1;
  }
  const double read = (Seconds() - start) / repetitions;

  start = Seconds();
  for (int r = 0; r < repetitions; ++r) {
    definition.SetPosition(0);
    TReader reader(definition, 4096);
    reader.CheckSignature();
    reader.SkipComponent(true);
  }
  const double skip = (Seconds() - start) / repetitions;

  std::printf("definition: %d components, %.2f MB\n", components + 1, megabytes);
  std::printf("read:  %10.0f components/s  %7.2f MB/s\n", (components + 1) / read, megabytes / read);
  std::printf("skip:  %10.0f components/s  %7.2f MB/s\n", (components + 1) / skip, megabytes / skip);
  std::printf("read takes %.1f times as long as skipping the same bytes\n", read / skip);
  return 0;
}
