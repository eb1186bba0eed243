// Helpers of the control tests: an application host that records what it is
// handed, a top-level test form, a message recorder with expected-sequence
// matching, and counts of the thread's windows and the process's GDI objects.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

#include "Controls.h"
#include "GraphicsTestSupport.h"
#include "Painting.h"
#include "TestSupport.h"

namespace controls_test {

// Records exceptions handed over by window procedures.
class TTestHost : public IApplicationHost {
 public:
  void HandleException(TObject* sender) override;
  void HintMouseMove(TControl*, TMessage&) override {}
  void ControlDestroyed(TControl*) override {}
  HWND Handle() override { return nullptr; }
  void ActivateLastPopup() override {}
  TWinControl* MainForm() override { return nullptr; }
  int ScreenCursor() override { return 0; }
  HCURSOR Cursors(int cursor) override;

  std::vector<String> Exceptions;  // "sender: message"
};
TTestHost& Host();

// A top-level window acting as the form of the controls on it: it records
// the focus requests and dialog keys the controls hand it.
class TTestForm : public TCustomControl, public IFormHost {
  SONDREL_CLASS(TTestForm)

 public:
  explicit TTestForm(TComponent* owner = nullptr);

  TWinControl* FormControl() override { return this; }
  bool SetFocusedControl(TWinControl* control) override;
  void DefocusControl(TWinControl* control, bool removing) override;
  void FocusControl(TWinControl* control) override;
  void CancelActiveModes(TControl*) override {}
  bool KeyPreview() override { return Preview; }
  bool IsMenuShortCut(TMessage&) override { return false; }
  bool DesignerTakes(TControl*, TMessage&) override { return false; }
  IFormHost* AsFormHost() override { return this; }
  void FillCreateParams(TCreateParams& params) override;
  void Paint() override;
  // Shows the window (not activated) and paints it.
  void Show();

  bool Preview = false;
  std::vector<String> Log;  // "focus X", "defocus X", "dialog key N", "dialog char C"

 protected:
  void XMDialogKey(TMessage& message);
};

// A message as a control's WindowProc received it.
struct TLogged {
  unsigned Msg;
  WPARAM W;
  LPARAM L;
  bool Posted;
};

// Records every message reaching a control's WindowProc, then passes it on.
class TMessageLog {
 public:
  explicit TMessageLog(TControl* control);
  ~TMessageLog();
  TMessageLog(const TMessageLog&) = delete;
  TMessageLog& operator=(const TMessageLog&) = delete;
  void Record(TMessage& message);
  int Count(unsigned msg) const;

  std::vector<TLogged> Log;

 private:
  TControl* Control;
  TEvent<TMessage&> Saved;
  int Depth = 0;
};

// An expected message: the messages a table names are the ones compared;
// every other message is ignored, an Optional one may be missing.
enum : unsigned { Sent = 0, Posted = 1, Optional = 2, CheckW = 4, CheckL = 8 };
struct TExpected {
  unsigned Msg;
  unsigned Flags = Sent;
  WPARAM W = 0;
  LPARAM L = 0;
};
testing::AssertionResult MatchesSequence(const std::vector<TLogged>& log, std::vector<TExpected> expected);

// How many times the handle test builds and destroys its tree of controls
// (--trees=N; the soak target runs 2000).
extern int TreeRounds;

// Dispatches the thread's pending messages (recording which one is posted).
void Pump();

}  // namespace controls_test
