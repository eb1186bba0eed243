// Helpers of the control tests: an application host that records what it is
// handed, a top-level test form, a message recorder with expected-sequence
// matching, and counts of the thread's windows and the process's GDI objects.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <vector>

#include "Controls.h"
#include "GraphicsTestSupport.h"
#include "Painting.h"
#include "TestSupport.h"

namespace controls_test {

// Records exceptions handed over by window procedures, as "sender: message".
class TTestHost : public IApplicationHost {
 public:
  void HandleException(TObject* sender) override;
  void HintMouseMove(TControl*, TMessage&) override {}
  void ControlDestroyed(TControl*) override {}
  HWND Handle() override { return nullptr; }
  void ActivateLastPopup() override {}
  TWinControl* MainForm() override { return nullptr; }
  int ScreenCursor() override { return 0; }
  HCURSOR Cursors(int) override { return LoadCursorA(nullptr, IDC_ARROW); }

  std::vector<String> Exceptions;
};
inline TTestHost& Host() {
  static TTestHost host;
  return host;
}

// A white top-level window acting as the form of the controls on it: it
// counts its paints and records the focus requests and dialog keys the
// controls hand it.
class TTestForm : public TCustomControl, public IFormHost {
  SONDREL_CLASS(TTestForm)

 public:
  explicit TTestForm(TComponent* owner = nullptr) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | csAcceptsChildren);
    SetVisible(false);
    SetBounds(20, 20, 200, 100);
    SetColor(clWhite);
  }
  TWinControl* FormControl() override { return this; }
  bool SetFocusedControl(TWinControl* control) override {
    Log.push_back("focus " + control->Name());
    return true;
  }
  void DefocusControl(TWinControl* control, bool removing) override {
    Log.push_back(String(removing ? "remove " : "defocus ") + control->Name());
  }
  void FocusControl(TWinControl* control) override { ::SetFocus(control->Handle()); }
  void CancelActiveModes(TControl*) override {}
  bool KeyPreview() override { return Preview; }
  bool IsMenuShortCut(TMessage&) override { return false; }
  bool DesignerTakes(TControl*, TMessage&) override { return false; }
  IFormHost* AsFormHost() override { return this; }
  void FillCreateParams(TCreateParams& params) override {
    TCustomControl::FillCreateParams(params);
    params.Style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.WndParent = nullptr;
  }
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
  // Shows the window (not activated) and paints it.
  void Show() {
    SetVisible(true);
    UpdateControlState();
    UpdateWindow(Handle());
  }

  bool Preview = false;
  int Paints = 0;
  std::vector<String> Log;  // "focus X", "defocus X", "dialog key N", "dialog char C"

  void XMDialogKey(TMessage& message) {
    Log.push_back(String(message.Msg == XM_DIALOG_KEY ? "dialog key " : "dialog char ") +
                  std::to_string(message.WParam));
    Inherited<TTestForm>(message);
  }
};

// A message as a control's WindowProc received it.
struct TLogged {
  unsigned Msg;
  WPARAM W;
  LPARAM L;
};

// Records every message reaching a control's WindowProc, then passes it on.
class TMessageLog {
 public:
  explicit TMessageLog(TControl* control) : Control(control), Saved(control->WindowProc) {
    control->WindowProc = TEvent<TMessage&>::Of<&TMessageLog::Record>(this);
  }
  ~TMessageLog() { Control->WindowProc = Saved; }
  TMessageLog(const TMessageLog&) = delete;
  TMessageLog& operator=(const TMessageLog&) = delete;
  void Record(TMessage& message) {
    Log.push_back({message.Msg, message.WParam, message.LParam});
    Saved(message);
  }
  int Count(unsigned msg) const {
    return static_cast<int>(std::count_if(Log.begin(), Log.end(), [&](const TLogged& l) { return l.Msg == msg; }));
  }

  std::vector<TLogged> Log;

 private:
  TControl* Control;
  TEvent<TMessage&> Saved;
};

// An expected message: the messages a table names are the ones compared, in
// order; every other message is ignored, an Optional one may be missing.
enum : unsigned { Optional = 1, CheckW = 2, CheckL = 4 };
struct TExpected {
  unsigned Msg;
  unsigned Flags = 0;
  WPARAM W = 0;
  LPARAM L = 0;
};
testing::AssertionResult MatchesSequence(const std::vector<TLogged>& log, std::vector<TExpected> expected);

// Left, top, width and height.
using TBounds = std::array<int, 4>;
inline TBounds Bounds(const TControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }

// The blocks allocated through operator new and not yet freed.
extern std::atomic<long> LiveBlocks;

// How many times the handle test builds and destroys its tree of controls
// (--trees=N; the soak target runs 2000).
extern int TreeRounds;

// Dispatches the thread's pending messages.
inline void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace controls_test
