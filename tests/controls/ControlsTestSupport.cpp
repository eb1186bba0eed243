#include "ControlsTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

#include "Exceptions.h"
#include "GraphicsObjects.h"
#include "Runtime.h"

// Every block of the program goes through these, so the tests can count the
// blocks left allocated.
void* operator new(std::size_t size) {
  if (void* block = std::malloc(size ? size : 1)) {
    ++controls_test::LiveBlocks;
    return block;
  }
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
  if (!block) return;
  --controls_test::LiveBlocks;
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }

namespace controls_test {

int TreeRounds = 200;
std::atomic<long> LiveBlocks{0};

void TTestHost::HandleException(TObject* sender) {
  const String name = sender && sender->Is<TComponent>() ? static_cast<TComponent*>(sender)->Name() : "";
  try {
    throw;
  } catch (const Exception& e) {
    Exceptions.push_back(name + ": " + e.Message());
  } catch (...) {
    Exceptions.push_back(name + ": ?");
  }
}

}  // namespace controls_test

template <>
struct TClassTables<controls_test::TTestForm> {
  using F = controls_test::TTestForm;
  static constexpr auto Messages = MessageTable(
      {MessageHandler<&F::XMDialogKey>(XM_DIALOG_KEY), MessageHandler<&F::XMDialogKey>(XM_DIALOG_CHAR)});
};

namespace controls_test {

SONDREL_MESSAGE_CLASS(TTestForm, TCustomControl, "Tests", TClassTables<TTestForm>::Messages);

namespace {
String Describe(unsigned msg, WPARAM w, LPARAM l) {
  char text[64];
  std::snprintf(text, sizeof text, "%04X w=%X l=%lX", msg, static_cast<unsigned>(w), static_cast<unsigned long>(l));
  return text;
}
}  // namespace

testing::AssertionResult MatchesSequence(const std::vector<TLogged>& log, std::vector<TExpected> expected) {
  std::vector<TLogged> watched;
  for (const TLogged& l : log)
    if (std::any_of(expected.begin(), expected.end(), [&](const TExpected& e) { return e.Msg == l.Msg; }))
      watched.push_back(l);
  std::size_t j = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const TExpected& e = expected[i];
    if (j < watched.size() && watched[j].Msg == e.Msg && (!(e.Flags & CheckW) || watched[j].W == e.W) &&
        (!(e.Flags & CheckL) || watched[j].L == e.L))
      ++j;
    else if (!(e.Flags & Optional))
      return testing::AssertionFailure() << "expected " << Describe(e.Msg, e.W, e.L) << " at step " << i << ", got "
                                         << (j < watched.size() ? Describe(watched[j].Msg, watched[j].W, watched[j].L)
                                                                : String("the end"));
  }
  if (j < watched.size())
    return testing::AssertionFailure() << "unexpected " << Describe(watched[j].Msg, watched[j].W, watched[j].L);
  return testing::AssertionSuccess();
}

}  // namespace controls_test

int main(int argc, char** argv) {
  InitRuntime();
  InitGraphics();
  InitControls();
  SetAppHost(&controls_test::Host());
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--trees=", 8) == 0) controls_test::TreeRounds = std::atoi(argv[i] + 8);
  return RUN_ALL_TESTS();
}
