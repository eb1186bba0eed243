// Message dispatch against plain virtual calls, and the cost of creating,
// showing and destroying a tree of controls with real windows.
//
//   controls_benchmark [trees]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Controls.h"
#include "Painting.h"
#include "Runtime.h"
#include "Timing.h"

constexpr unsigned BenchMessage = WM_USER + 7;

// The baseline: four virtual calls in a chain. The classes have external
// linkage so that the compiler cannot know every override and call directly.
struct TVirtualChain {
  virtual ~TVirtualChain() = default;
  virtual long A(TMessage& m);
  virtual long B(TMessage& m);
  virtual long C(TMessage& m);
  virtual long D(TMessage& m);
};
struct TVirtualLeaf : TVirtualChain {};
long TVirtualChain::A(TMessage& m) { return B(m); }
long TVirtualChain::B(TMessage& m) { return C(m); }
long TVirtualChain::C(TMessage& m) { return D(m); }
long TVirtualChain::D(TMessage& m) { return m.Result = m.WParam + 1; }

__attribute__((noinline)) long CallChain(TVirtualChain* chain, unsigned i) {
  TMessage m{BenchMessage, i, 0};
  return chain->A(m);
}

namespace {

// The declaring class and four generations below it, each with a table of
// its own, as real control classes have.
class TDeclaring : public TControl {
  SONDREL_CLASS(TDeclaring)
 public:
  using TControl::TControl;
  void Handled(TMessage& m) { m.Result = m.WParam + 1; }
  void Other(TMessage&) {}
};
class TLevel1 : public TDeclaring {
  SONDREL_CLASS(TLevel1)
 public:
  using TDeclaring::TDeclaring;
};
class TLevel2 : public TLevel1 {
  SONDREL_CLASS(TLevel2)
 public:
  using TLevel1::TLevel1;
};
class TLevel3 : public TLevel2 {
  SONDREL_CLASS(TLevel3)
 public:
  using TLevel2::TLevel2;
};
class TLevel4 : public TLevel3 {
  SONDREL_CLASS(TLevel4)
 public:
  using TLevel3::TLevel3;
};

}  // namespace

template <>
struct TClassTables<TDeclaring> {
  static constexpr auto Messages = MessageTable({MessageHandler<&TDeclaring::Handled>(BenchMessage),
                                                 MessageHandler<&TDeclaring::Other>(WM_USER + 1),
                                                 MessageHandler<&TDeclaring::Other>(WM_USER + 2)});
};
// Each level handles a few other messages.
template <unsigned Base>
constexpr auto LevelTable = MessageTable({MessageHandler<&TDeclaring::Other>(Base),
                                          MessageHandler<&TDeclaring::Other>(Base + 1),
                                          MessageHandler<&TDeclaring::Other>(Base + 2)});

namespace {
SONDREL_MESSAGE_CLASS(TDeclaring, TControl, "Bench", TClassTables<TDeclaring>::Messages);
SONDREL_MESSAGE_CLASS(TLevel1, TDeclaring, "Bench", LevelTable<WM_USER + 100>);
SONDREL_MESSAGE_CLASS(TLevel2, TLevel1, "Bench", LevelTable<WM_USER + 200>);
SONDREL_MESSAGE_CLASS(TLevel3, TLevel2, "Bench", LevelTable<WM_USER + 300>);
SONDREL_MESSAGE_CLASS(TLevel4, TLevel3, "Bench", LevelTable<WM_USER + 400>);

template <class F>
double Best(int repetitions, F run) {
  double best = 1e9;
  for (int r = 0; r < repetitions; ++r) {
    const double start = Seconds();
    run();
    best = std::min(best, Seconds() - start);
  }
  return best;
}

void DispatchFigures() {
  constexpr unsigned N = 2000000;
  TLevel4 control(nullptr);
  TVirtualChain* chain = new TVirtualLeaf;
  asm("" : "+r"(chain));
  volatile long sink = 0;
  const double dispatch = Best(5, [&] {
    for (unsigned i = 0; i < N; ++i) sink = sink + control.PerformMessage(BenchMessage, i, 0);
  });
  const double direct = Best(5, [&] {
    for (unsigned i = 0; i < N; ++i) {
      TMessage m{BenchMessage, i, 0};
      control.Dispatch(m);
      sink = sink + m.Result;
    }
  });
  const double virtuals = Best(5, [&] {
    for (unsigned i = 0; i < N; ++i) sink = sink + CallChain(chain, i);
  });
  delete chain;
  std::printf("Dispatch through PerformMessage, handler four classes up: %.1f ns per message\n",
              dispatch / N * 1e9);
  std::printf("  of which the table search (Dispatch alone):            %.1f ns per message\n",
              direct / N * 1e9);
  std::printf("Chain of four virtual calls:                               %.1f ns per call\n",
              virtuals / N * 1e9);
  std::printf("Ratio: %.2fx (target: at most 2x)\n", dispatch / virtuals);
}

// A top-level window holding ten containers of four children each (two with
// windows of their own): 51 controls, 31 windows.
class TTopLevel : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  void FillCreateParams(TCreateParams& params) override {
    TCustomControl::FillCreateParams(params);
    params.Style = WS_POPUP | WS_CLIPCHILDREN;
    params.WndParent = nullptr;
  }
};

void TreeFigures(int trees) {
  const double total = Best(3, [&] {
    for (int t = 0; t < trees; ++t) {
      TTopLevel top(nullptr);
      top.SetBounds(0, 0, 300, 200);
      for (int p = 0; p < 10; ++p) {
        auto* panel = new TCustomControl(&top);
        panel->SetParent(&top);
        panel->SetBounds(p * 30, 0, 30, 200);
        for (int c = 0; c < 2; ++c) (new TWinControl(&top))->SetParent(panel);
        for (int c = 0; c < 2; ++c) (new TGraphicControl(&top))->SetParent(panel);
      }
      top.Handle();
      top.UpdateShowing();
    }
  });
  // The same 31 windows made, shown and destroyed with direct platform calls.
  WNDCLASSA cls{};
  cls.lpfnWndProc = DefWindowProcA;
  cls.lpszClassName = "BenchRawWindow";
  cls.hInstance = GetModuleHandleA(nullptr);
  RegisterClassA(&cls);
  const double raw = Best(3, [&] {
    for (int t = 0; t < trees; ++t) {
      HWND top = CreateWindowExA(0, cls.lpszClassName, "", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 300, 200, nullptr,
                                 nullptr, cls.hInstance, nullptr);
      for (int p = 0; p < 10; ++p) {
        HWND panel = CreateWindowExA(0, cls.lpszClassName, "", WS_CHILD | WS_VISIBLE, p * 30, 0, 30, 200, top,
                                     nullptr, cls.hInstance, nullptr);
        for (int c = 0; c < 2; ++c)
          CreateWindowExA(0, cls.lpszClassName, "", WS_CHILD | WS_VISIBLE, 0, c * 20, 20, 20, panel, nullptr,
                          cls.hInstance, nullptr);
      }
      ShowWindow(top, SW_SHOWNA);
      DestroyWindow(top);
    }
  });
  std::printf("Create, show and destroy a 51-control tree (31 windows): %.0f us per tree, %.1f us per control\n",
              total / trees * 1e6, total / trees / 51 * 1e6);
  std::printf("  the same 31 windows with direct platform calls:         %.0f us per tree (ratio %.2f)\n",
              raw / trees * 1e6, total / raw);
}

}  // namespace

int main(int argc, char** argv) {
  InitRuntime();
  InitGraphics();
  InitControls();
  DispatchFigures();
  TreeFigures(argc > 1 ? std::atoi(argv[1]) : 50);
  return 0;
}
