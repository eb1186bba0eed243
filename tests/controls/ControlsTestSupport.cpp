#include "ControlsTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "Exceptions.h"
#include "GraphicsObjects.h"
#include "Runtime.h"

namespace controls_test {

int TreeRounds = 200;

namespace {
const MSG* Dispatching = nullptr;  // the posted message being dispatched
}

void TTestHost::HandleException(TObject* sender) {
  String message = "?";
  try {
    throw;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (...) {
  }
  const String name = sender && sender->Is<TComponent>() ? static_cast<TComponent*>(sender)->Name() : "";
  Exceptions.push_back(name + ": " + message);
}

HCURSOR TTestHost::Cursors(int cursor) {
  return LoadCursorA(nullptr, cursor == crIBeam ? IDC_IBEAM : cursor == crCross ? IDC_CROSS : IDC_ARROW);
}

TTestHost& Host() {
  static TTestHost host;
  return host;
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

TTestForm::TTestForm(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() | csAcceptsChildren);
  SetVisible(false);
  SetBounds(20, 20, 200, 100);
  SetColor(clWhite);
}

bool TTestForm::SetFocusedControl(TWinControl* control) {
  Log.push_back("focus " + control->Name());
  return true;
}

void TTestForm::DefocusControl(TWinControl* control, bool removing) {
  Log.push_back(String(removing ? "remove " : "defocus ") + control->Name());
}

void TTestForm::FocusControl(TWinControl* control) { ::SetFocus(control->Handle()); }

void TTestForm::FillCreateParams(TCreateParams& params) {
  TCustomControl::FillCreateParams(params);
  params.Style = WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.WndParent = nullptr;
}

void TTestForm::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

void TTestForm::Show() {
  SetVisible(true);
  UpdateControlState();
  UpdateWindow(Handle());
}

void TTestForm::XMDialogKey(TMessage& message) {
  Log.push_back(String(message.Msg == XM_DIALOG_KEY ? "dialog key " : "dialog char ") +
                std::to_string(message.WParam));
  Inherited<TTestForm>(message);
}

TMessageLog::TMessageLog(TControl* control) : Control(control), Saved(control->WindowProc) {
  control->WindowProc = TEvent<TMessage&>::Of<&TMessageLog::Record>(this);
}

TMessageLog::~TMessageLog() { Control->WindowProc = Saved; }

void TMessageLog::Record(TMessage& message) {
  const bool posted = Depth == 0 && Dispatching && Dispatching->message == message.Msg &&
                      Dispatching->wParam == message.WParam && Dispatching->lParam == message.LParam;
  Log.push_back({message.Msg, message.WParam, message.LParam, posted});
  ++Depth;
  try {
    Saved(message);
  } catch (...) {
    --Depth;
    throw;
  }
  --Depth;
}

int TMessageLog::Count(unsigned msg) const {
  return static_cast<int>(std::count_if(Log.begin(), Log.end(), [&](const TLogged& l) { return l.Msg == msg; }));
}

namespace {
String Describe(unsigned msg, unsigned flags, WPARAM w, LPARAM l) {
  char text[96];
  std::snprintf(text, sizeof text, "%04X%s w=%X l=%lX", msg, flags & Posted ? " (posted)" : "",
                static_cast<unsigned>(w), static_cast<unsigned long>(l));
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
    const bool matches = j < watched.size() && watched[j].Msg == e.Msg &&
                         watched[j].Posted == ((e.Flags & Posted) != 0) &&
                         (!(e.Flags & CheckW) || watched[j].W == e.W) && (!(e.Flags & CheckL) || watched[j].L == e.L);
    if (matches) {
      ++j;
    } else if (!(e.Flags & Optional)) {
      String got = j < watched.size() ? Describe(watched[j].Msg, watched[j].Posted, watched[j].W, watched[j].L)
                                      : String("the end");
      return testing::AssertionFailure() << "expected " << Describe(e.Msg, e.Flags, e.W, e.L) << " at step " << i
                                         << ", got " << got;
    }
  }
  if (j < watched.size())
    return testing::AssertionFailure() << "unexpected "
                                       << Describe(watched[j].Msg, watched[j].Posted, watched[j].W, watched[j].L);
  return testing::AssertionSuccess();
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    Dispatching = &msg;
    DispatchMessageA(&msg);
    Dispatching = nullptr;
  }
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
