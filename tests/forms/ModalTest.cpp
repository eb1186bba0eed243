// Forms shown modally: each way of ending gives its result, the other windows
// are disabled meanwhile and enabled again, the activation comes back;
// nested dialogs, an exception inside the loop, a refused close, and the
// forms that cannot be shown modally.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

#include "Application.h"
#include "FormsTestSupport.h"
#include "StdCtrls.h"
#include "TestSupport.h"

namespace forms_test {
namespace {

// Steps run one a tick of a thread timer, so inside whichever message loop
// runs: a step that shows a form modally runs the next steps in its loop.
std::vector<std::function<void()>> Steps;
std::size_t NextStep = 0;
void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD) {
  if (NextStep < Steps.size()) Steps[NextStep++]();
}
struct TScript {
  explicit TScript(std::vector<std::function<void()>> steps) : Timer(SetTimer(nullptr, 0, 30, RunStep)) {
    Steps = std::move(steps);
    NextStep = 0;
  }
  ~TScript() { KillTimer(nullptr, Timer); }
  UINT_PTR Timer;
};

// A dialog made in code: OK is the default button, Cancel the cancel button.
struct TDialog {
  TForm* Form = NewForm<TForm>(Application);
  TButton* Ok = Add("OK", 10, mrOk);
  TButton* Cancel = Add("Cancel", 100, mrCancel);
  TDialog() {
    Form->SetBounds(300, 200, 220, 100);
    Ok->SetDefault(true);
    Cancel->SetCancel(true);
  }
  ~TDialog() { delete Form; }
  TButton* Add(const char* caption, int left, TModalResult result) {
    auto* button = new TButton(Form);
    button->SetCaption(caption);
    button->SetBounds(left, 20, 75, 25);
    button->SetModalResult(result);
    button->SetParent(Form);
    return button;
  }
};

void Press(WORD key) {
  keybd_event(static_cast<BYTE>(key), 0, 0, 0);
  keybd_event(static_cast<BYTE>(key), 0, KEYEVENTF_KEYUP, 0);
}

class Modal : public testing::Test {
 protected:
  Modal() : Main(NewForm<TForm>(Application)) {
    Main->Show();
    SetForegroundWindow(Main->Handle());
    Application->ProcessMessages();
  }
  ~Modal() override { delete Main; }
  TForm* Main;
};

TEST_F(Modal, EachWayOfEndingGivesItsResultAndTheOtherWindowsBackTheirState) {
  const struct {
    const char* Way;
    std::function<void(TDialog&)> End;
    TModalResult Result;
  } ways[] = {
      {"a button", [](TDialog& d) { SendMessageA(d.Ok->Handle(), BM_CLICK, 0, 0); }, mrOk},
      {"Enter", [](TDialog&) { Press(VK_RETURN); }, mrOk},
      {"Escape", [](TDialog&) { Press(VK_ESCAPE); }, mrCancel},
      {"code", [](TDialog& d) { d.Form->SetModalResult(mrYes); }, mrYes},
      {"the close box", [](TDialog& d) { PostMessageA(d.Form->Handle(), WM_CLOSE, 0, 0); }, mrCancel},
  };
  for (const auto& way : ways) {
    TDialog dialog;
    bool mainDisabled = false, dialogActive = false;
    TScript script({[&] {
      mainDisabled = !IsWindowEnabled(Main->Handle());
      dialogActive = GetActiveWindow() == dialog.Form->Handle();
      way.End(dialog);
    }});
    EXPECT_EQ(dialog.Form->ShowModal(), way.Result) << way.Way;
    EXPECT_TRUE(mainDisabled && dialogActive) << way.Way;
    EXPECT_TRUE(IsWindowEnabled(Main->Handle())) << way.Way;
    EXPECT_FALSE(dialog.Form->Visible() || IsWindowVisible(dialog.Form->Handle())) << way.Way;
    EXPECT_EQ(GetActiveWindow(), Main->Handle()) << way.Way;
    EXPECT_FALSE(dialog.Form->FormFlags() & ffModal) << way.Way;
  }
}

TEST_F(Modal, NestedDialogsAnExceptionInTheLoopARefusedCloseAndFormsThatCannotBeModal) {
  struct TRaiser {
    int Refusals = 1;
    void Raise(TObject*) { throw EInvalidOperation("raised in the loop"); }
    void Query(TObject*, bool& canClose) { canClose = Refusals-- <= 0; }
  } raiser;
  TExceptionLog log;
  TDialog outer, inner;
  TButton* raise = outer.Add("Raise", 190, mrNone);
  raise->OnClick = TNotifyEvent::Of<&TRaiser::Raise>(&raiser);
  inner.Form->OnCloseQuery = TCloseQueryEvent::Of<&TRaiser::Query>(&raiser);
  TModalResult innerResult = mrNone;
  std::vector<bool> enabled;  // outer, then main, seen inside the inner loop; outer again after it
  TScript script({
      [&] { SendMessageA(raise->Handle(), BM_CLICK, 0, 0); },  // raises; the loop goes on
      [&] { innerResult = inner.Form->ShowModal(); },
      [&] {
        enabled.push_back(IsWindowEnabled(outer.Form->Handle()));
        enabled.push_back(IsWindowEnabled(Main->Handle()));
        PostMessageA(inner.Form->Handle(), WM_CLOSE, 0, 0);  // refused: stays
      },
      [&] { PostMessageA(inner.Form->Handle(), WM_CLOSE, 0, 0); },
      [&] {
        enabled.push_back(IsWindowEnabled(outer.Form->Handle()) && GetActiveWindow() == outer.Form->Handle());
        outer.Form->SetModalResult(mrAbort);
      },
  });
  EXPECT_EQ(outer.Form->ShowModal(), mrAbort);
  EXPECT_EQ(innerResult, mrCancel);
  EXPECT_EQ(enabled, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(log.Messages, std::vector<String>{"raised in the loop"});
  EXPECT_EQ(GetActiveWindow(), Main->Handle());

  EXPECT_RAISES(EInvalidOperation, Main->ShowModal(), "Cannot make a visible window modal");
  outer.Form->SetEnabled(false);
  EXPECT_RAISES(EInvalidOperation, outer.Form->ShowModal(), "Cannot make a visible window modal");
  EXPECT_FALSE(outer.Form->Visible() || (outer.Form->FormFlags() & ffModal));
  EXPECT_TRUE(IsWindowEnabled(Main->Handle()));
}

}  // namespace
}  // namespace forms_test
