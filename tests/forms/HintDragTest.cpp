// Hints and drag-and-drop with the real mouse: the cursor is moved and the
// button pressed as input, so the platform's capture and cursor logic take
// part, and the application's loop handles what follows.
#include <gtest/gtest.h>
#include <windows.h>

#include "Application.h"
#include "FormsTestSupport.h"
#include "Drag.h"
#include "ExtCtrls.h"
#include "Screen.h"
#include "TestSupport.h"

namespace forms_test {
namespace {

// Idle steps that do not wait for the next message.
struct TIdle {
  void Handle(TObject*, bool& done) { done = false; }
} Idle;

// Runs the application's loop (idle steps included) for `ms` milliseconds.
void RunFor(int ms) {
  Application->OnIdle = TIdleEvent::Of<&TIdle::Handle>(&Idle);
  for (const DWORD end = GetTickCount() + ms; GetTickCount() < end;) {
    Application->HandleNextMessage();
    Sleep(5);
  }
  Application->OnIdle = {};
}

void Button(DWORD flags) {
  INPUT input{INPUT_MOUSE, {.mi = {0, 0, 0, flags, 0, 0}}};
  SendInput(1, &input, sizeof input);
  RunFor(60);
}

void MoveTo(POINT p) {
  SetCursorPos(p.x, p.y);
  RunFor(60);
}

// What the drag's participants were told.
struct TDragLog {
  std::vector<String> Events;
  bool RaiseOnDrop = false;
  static String Name(TObject* o) { return o ? static_cast<TComponent*>(o)->Name() : String("none"); }
  void Over(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept) {
    accept = true;
    Events.push_back(Format("over %s %s %d %d,%d", {Name(sender), Name(source), static_cast<int>(state), x, y}));
  }
  void Drop(TObject* sender, TObject* source, int x, int y) {
    Events.push_back(Format("drop %s %s %d,%d", {Name(sender), Name(source), x, y}));
    if (RaiseOnDrop) throw EInvalidOperation("bad drop");
  }
  void End(TObject* sender, TObject* target, int x, int y) {
    Events.push_back(Format("end %s %s %d,%d", {Name(sender), Name(target), x, y}));
  }
  void Key(TObject*, std::uint16_t&, TShiftState) { Events.push_back("key"); }
  void Down(TObject* sender, TMouseButton, TShiftState, int, int) {
    static_cast<TControl*>(sender)->BeginDrag(false);
  }
};

// A panel that counts the WM_UNICHAR messages it is left to handle.
class TUnicharPanel : public TPanel {
 public:
  using TPanel::TPanel;
  int Unichars = 0;
  void DefaultHandler(TMessage& message) override {
    Unichars += message.Msg == WM_UNICHAR;
    TPanel::DefaultHandler(message);
  }
};

// A shown form with a source panel on the left and a target panel on the
// right holding a label.
class Mouse : public testing::Test {
 protected:
  Mouse() : Form(NewForm<TForm>(Application)) {
    Form->SetBounds(100, 100, 400, 250);
    Source = Add(new TUnicharPanel(Form), Form, {10, 10, 100, 80});
    Target = Add(new TPanel(Form), Form, {200, 10, 150, 150});
    Label = Add(new TLabel(Form), Target, {10, 10, 60, 20});
    Form->Show();
    SetForegroundWindow(Form->Handle());
    RunFor(100);
  }
  ~Mouse() override {
    delete Form;
    RunFor(50);
  }
  // (left, top, width, height)
  template <class T>
  static T* Add(T* c, TWinControl* parent, RECT r) {
    c->SetParent(parent);
    c->SetBounds(r.left, r.top, r.right, r.bottom);
    return c;
  }
  POINT At(TControl* c, int x, int y) { return c->ClientToScreen({x, y}); }
  // Names the controls; a press on the source starts a pending drag whose
  // steps the log records (over the source too, which an active drag would
  // pass first).
  void WatchDrag(TDragLog& log) {
    Source->Rename("Source");
    Target->Rename("Target");
    Label->Rename("Label");
    Source->OnMouseDown = TMouseEvent::Of<&TDragLog::Down>(&log);
    Source->OnDragOver = TDragOverEvent::Of<&TDragLog::Over>(&log);
    Source->OnKeyDown = TKeyEvent::Of<&TDragLog::Key>(&log);
    Source->OnEndDrag = TEndDragEvent::Of<&TDragLog::End>(&log);
    Label->OnDragOver = TDragOverEvent::Of<&TDragLog::Over>(&log);
    Label->OnDragDrop = TDragDropEvent::Of<&TDragLog::Drop>(&log);
  }
  TForm* Form;
  TUnicharPanel* Source;
  TPanel* Target;
  TLabel* Label;
};

TEST_F(Mouse, AHintAppearsAfterThePauseBelowTheControlWithItsShortHint) {
  Source->SetHint("Short & sweet|The long hint");
  Source->SetShowHint(true);
  MoveTo(At(Source, 20, 20));
  MoveTo(At(Source, 22, 21));
  RunFor(Application->HintPause() + 300);
  THintWindow* hint = Application->HintWindow();
  ASSERT_TRUE(hint->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(hint->Handle()));
  EXPECT_EQ(hint->GetText(), "Short & sweet");  // the ampersand shown as itself
  RECT r;
  GetWindowRect(hint->Handle(), &r);
  EXPECT_EQ(r.top, At(Source, 0, 0).y + Source->Height() + 6);
  EXPECT_EQ(Application->Hint(), "The long hint");
  // A click hides it.
  Button(MOUSEEVENTF_LEFTDOWN);
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_FALSE(IsWindowVisible(hint->Handle()));
}

// Outside the application's loop a watcher notices the cursor leaving the
// program's windows; the hint ends on the user-interface thread, as the host
// pumps messages.
TEST_F(Mouse, WithoutTheLoopAHintEndsWhenTheCursorLeavesTheProgramsWindows) {
  Source->SetHint("Hint");
  Source->SetShowHint(true);
  MoveTo(At(Source, 20, 20));
  MoveTo(At(Source, 22, 21));
  RunFor(Application->HintPause() + 300);
  THintWindow* hint = Application->HintWindow();
  ASSERT_TRUE(IsWindowVisible(hint->Handle()));
  SetCursorPos(2, 2);
  for (const DWORD end = GetTickCount() + 1500; GetTickCount() < end; Sleep(10))
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&msg);
  EXPECT_FALSE(IsWindowVisible(hint->Handle()));
}

DWORD WINAPI ForeignWindow(void* done) {
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 600, 500, 50, 50, nullptr, nullptr,
                               nullptr, nullptr);
  SetForegroundWindow(other);
  WaitForSingleObject(done, 5000);
  DestroyWindow(other);
  return 0;
}

TEST_F(Mouse, NoHintShowsWhileAnotherThreadsWindowIsActive) {
  Source->SetHint("Hint");
  Source->SetShowHint(true);
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, ForeignWindow, done, 0, nullptr);
  RunFor(300);
  MoveTo(At(Source, 20, 20));
  MoveTo(At(Source, 22, 21));
  RunFor(Application->HintPause() + 300);
  THintWindow* hint = Application->HintWindow();
  EXPECT_FALSE(hint->HandleAllocated() && IsWindowVisible(hint->Handle()));
  SetEvent(done);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  CloseHandle(done);
}

TEST(HintWindow, StaysOnTheScreen) {
  THintWindow hint(nullptr);
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  hint.ActivateHint({w - 10, h - 5, w + 90, h + 15}, "corner");
  RECT r;
  GetWindowRect(hint.Handle(), &r);
  EXPECT_EQ(r.right, w);
  EXPECT_EQ(r.bottom, h);
  hint.ActivateHint({-30, -40, 70, -20}, "negative");
  GetWindowRect(hint.Handle(), &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_TRUE(GetWindowLongA(hint.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Mouse, ADragStartsAfterFivePixelsTargetsTheLabelAndDrops) {
  TDragLog log;
  WatchDrag(log);
  const POINT start = At(Source, 30, 30);
  MoveTo(start);
  Button(MOUSEEVENTF_LEFTDOWN);
  EXPECT_EQ(DragControl(), Source);
  MoveTo({start.x + 4, start.y - 4});  // within the threshold: pending
  EXPECT_TRUE(log.Events.empty());
  MoveTo(At(Target, 100, 100));  // over the panel, which refuses
  EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop));
  SendMessageA(Source->Handle(), WM_KEYDOWN, 'A', 0);  // keys to the dragged control are swallowed
  SendMessageA(Source->Handle(), WM_UNICHAR, UNICODE_NOCHAR,
               0);  // beyond the key messages: it arrives
  EXPECT_EQ(Source->Unichars, 1);
  MoveTo(At(Label, 5, 6));
  EXPECT_EQ(GetCursor(), Screen->Cursors(crDrag));
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(DragControl(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(log.Events, (std::vector<String>{"over Label Source 0 5,6", "over Label Source 2 5,6",
                                             "over Label Source 1 5,6", "drop Label Source 5,6",
                                             "end Source Label 5,6"}));
}

TEST_F(Mouse, AReleaseBeforeTheThresholdAndARaisingDropEndCleanly) {
  TDragLog log;
  WatchDrag(log);
  MoveTo(At(Source, 30, 30));
  Button(MOUSEEVENTF_LEFTDOWN);
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(log.Events, std::vector<String>{"end Source none 0,0"});

  log.Events.clear();
  log.RaiseOnDrop = true;
  TExceptionLog seen;
  MoveTo(At(Source, 30, 30));
  Button(MOUSEEVENTF_LEFTDOWN);
  MoveTo(At(Label, 5, 6));
  Button(MOUSEEVENTF_LEFTUP);
  EXPECT_EQ(seen.Messages, std::vector<String>{"bad drop"});
  EXPECT_EQ(DragControl(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(log.Events.back(), "end Source Label 5,6");
  EXPECT_RAISES(EInvalidOperation, Form->BeginDrag(true), "Cannot drag a form");
}

// A drag image goes through the platform's image lists, loaded when first used.
TEST_F(Mouse, ADragImageIsShownMovedAndEnded) {
  TDragImageSet images(16, 16);
  HBITMAP picture = CreateBitmap(16, 16, 1, 1, nullptr);
  EXPECT_EQ(images.Add(picture, picture), 0);
  images.BeginDragAt(Form->Handle(), 20, 20);
  EXPECT_TRUE(images.Dragging());
  EXPECT_EQ(images.DragWindow(), Form->Handle());
  images.DragMoveTo(40, 30);
  images.EndDrag();
  EXPECT_FALSE(images.Dragging());
  DeleteObject(picture);
}

}  // namespace
}  // namespace forms_test
