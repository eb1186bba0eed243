// Forms and the application object on real top-level windows: forms made
// from their definitions, failures that leave nothing behind, message boxes,
// closing, window styles, focus tracking, scaling and scrolling.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "Application.h"
#include "Density.h"
#include "ExtCtrls.h"
#include "FormsTestSupport.h"
#include "GraphicsTestSupport.h"
#include "Runtime.h"
#include "Screen.h"
#include "StdCtrls.h"
#include "TestSupport.h"

namespace forms_test {

int HandleRounds = 100;  // --rounds=N

class TFieldsForm : public TForm {
  SONDREL_CLASS(TFieldsForm)
 public:
  using TForm::TForm;
  TButton* OkBtn = nullptr;
  TPanel* Panel = nullptr;
  TLabel* Note = nullptr;
  int Clicks = 0;
  bool VisibleInOnCreate = true;
  void OkBtnClick(TObject*) { ++Clicks; }
  void FormCreate(TObject*) { VisibleInOnCreate = Visible() || (HandleAllocated() && IsWindowVisible(Handle())); }
};
class TBadEventForm : public TForm {
  SONDREL_CLASS(TBadEventForm)
 public:
  using TForm::TForm;
  TButton* ExitBtn = nullptr;
};
class TNoDefinitionForm : public TForm {
  SONDREL_CLASS(TNoDefinitionForm)
 public:
  using TForm::TForm;
};

const TMethodEntry FieldsMethods[] = {PublishedMethod<&TFieldsForm::OkBtnClick>("OkBtnClick"),
                                      PublishedMethod<&TFieldsForm::FormCreate>("FormCreate")};
const TFieldEntry FieldsFields[] = {PublishedField<&TFieldsForm::OkBtn>("OkBtn", 0),
                                    PublishedField<&TFieldsForm::Panel>("Panel", 1),
                                    PublishedField<&TFieldsForm::Note>("Note", 2)};
const TClass FieldClasses[] = {&TButton::ClassRec, &TPanel::ClassRec, &TLabel::ClassRec};
const TFieldEntry BadFields[] = {PublishedField<&TBadEventForm::ExitBtn>("ExitBtn", 0)};
SONDREL_PUBLISHED_CLASS(TFieldsForm, TForm, "Tests",
                        {.Methods = FieldsMethods, .Fields = FieldsFields, .FieldClasses = FieldClasses,
                         .Create = &NewComponent<TFieldsForm>});
SONDREL_PUBLISHED_CLASS(TBadEventForm, TForm, "Tests",
                        {.Fields = BadFields, .FieldClasses = FieldClasses, .Create = &NewComponent<TBadEventForm>});
SONDREL_PUBLISHED_CLASS(TNoDefinitionForm, TForm, "Tests", {.Create = &NewComponent<TNoDefinitionForm>});

namespace {

// Forms made by the tests are freed at the end of each test.
class Forms : public testing::Test {
 protected:
  void TearDown() override {
    for (int i = Application->OwnedCount() - 1; i >= 0; --i) delete Application->OwnedAt(i);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }
};

TEST_F(Forms, CreateFormReadsTheDefinitionBindsFieldsAndEventsAndShowsAfterOnCreate) {
  TFieldsForm* form = nullptr;
  Application->CreateForm(form);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Application->GetMainForm(), form);
  EXPECT_FALSE(form->VisibleInOnCreate);  // Visible = True is honoured only after OnCreate
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), Application->Handle());
  EXPECT_EQ(WindowText(form->Handle()), "Fields");
  ASSERT_TRUE(form->OkBtn && form->Panel && form->Note);
  EXPECT_EQ(form->Note->Parent(), form->Panel);
  EXPECT_EQ(form->Panel->TabOrder(), 0);
  EXPECT_EQ(form->OkBtn->TabOrder(), 1);
  SendMessageA(form->OkBtn->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(form->Clicks, 1);
  // A later form never becomes the main form.
  TFieldsForm* second = nullptr;
  Application->CreateForm(second);
  EXPECT_EQ(Application->GetMainForm(), form);
}

TEST_F(Forms, FailedDefinitionsLeaveTheReferenceEmptyAndNothingBehind) {
  const int windows = ThreadWindowCount(), forms = Screen->FormCount(), owned = Application->OwnedCount();
  TBadEventForm* bad = reinterpret_cast<TBadEventForm*>(1);
  EXPECT_RAISES(EReadError, Application->CreateForm(bad), "Error reading ExitBtn.OnClick: Invalid property value");
  EXPECT_EQ(bad, nullptr);
  TNoDefinitionForm* none = nullptr;
  EXPECT_RAISES(EResNotFound, Application->CreateForm(none), "Resource TNoDefinitionForm not found");
  EXPECT_EQ(ThreadWindowCount(), windows);
  EXPECT_EQ(Screen->FormCount(), forms);
  EXPECT_EQ(Application->OwnedCount(), owned);
  EXPECT_EQ(Application->GetMainForm(), nullptr);
}

TEST_F(Forms, ExceptionsShowTheirMessageInABoxThatDisablesTheOtherWindowsMeanwhile) {
  TFieldsForm *first = nullptr, *second = nullptr;
  Application->CreateForm(first);
  Application->CreateForm(second);
  SetActiveWindow(second->Handle());
  const HWND doomed = second->Handle();
  Application->SetTitle("Forms Test");
  String text;
  HWND owner = nullptr;
  bool disabledWhileUp = false;
  WatchNextBox([&](HWND box) {
    text = WindowText(box) + "|" + BoxText(box);
    owner = GetWindow(box, GW_OWNER);
    disabledWhileUp = !IsWindowEnabled(first->Handle()) && !IsWindowEnabled(second->Handle());
    DestroyWindow(doomed);  // skipped when the windows are enabled again
  });
  Application->ShowException(EConvertError("Already ends."));
  EXPECT_EQ(text, "Forms Test|Already ends..");  // the title, and the message with a full stop
  EXPECT_EQ(owner, Application->Handle());
  EXPECT_TRUE(disabledWhileUp);
  EXPECT_TRUE(IsWindowEnabled(first->Handle()));
  // Through HandleException: EAbort is silent; OnException replaces the box.
  TExceptionLog seen;
  const EAbort quiet("quiet");
  const Exception loud("loud");
  for (const Exception* e : {static_cast<const Exception*>(&quiet), &loud}) {
    try {
      e->Raise();
    } catch (...) {
      Application->HandleException(nullptr);
    }
  }
  EXPECT_EQ(seen.Messages, std::vector<String>{"loud"});
}

TEST_F(Forms, ClosingTheMainFormEndsTheProgramUnlessTheActionIsNone) {
  struct TCloser {
    TCloseAction Action = caHide;
    bool Allow = true;
    int Closes = 0;
    void Query(TObject*, bool& canClose) { canClose = Allow; }
    void Close(TObject*, TCloseAction& action) {
      ++Closes;
      action = Action;
    }
  } closer;
  TFieldsForm* form = nullptr;
  Application->CreateForm(form);
  form->OnCloseQuery = TCloseQueryEvent::Of<&TCloser::Query>(&closer);
  form->OnClose = TCloseEvent::Of<&TCloser::Close>(&closer);
  for (TCloseAction action : {caHide, caFree, caMinimize, caNone}) {
    closer.Action = action;
    form->Close();
    EXPECT_EQ(QuitPosted(), action != caNone) << action;
    EXPECT_TRUE(form->Visible());
  }
  closer.Allow = false;
  closer.Closes = 0;
  form->Close();
  EXPECT_EQ(closer.Closes, 0);
  EXPECT_FALSE(QuitPosted());
}

TEST_F(Forms, BorderStylePositionAndPixelsPerInchRules) {
  TForm* form = NewForm<TForm>(Application);
  form->SetBorderStyle(bsDialog);
  EXPECT_FALSE(form->AutoScroll());
  form->SetWindowState(wsMaximized);
  form->SetBorderIcons((1 << biSystemMenu) | (1 << biMinimize) | (1 << biHelp));
  const LONG style = GetWindowLongA(form->Handle(), GWL_STYLE), ex = GetWindowLongA(form->Handle(), GWL_EXSTYLE);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(ex & WS_EX_CONTEXTHELP);
  EXPECT_EQ(form->WindowState(), wsNormal);
  form->SetBorderStyle(bsSizeable);
  EXPECT_TRUE(form->AutoScroll());
  form->SetPixelsPerInch(30);
  EXPECT_EQ(form->PixelsPerInch(), Screen->PixelsPerInch());
  form->SetPixelsPerInch(0);
  EXPECT_FALSE(form->Scaled());
  // Centred on a screen smaller than the form: at 0, 0, then designed.
  form->SetPosition(poScreenCenter);
  form->SetBounds(5, 5, Screen->Width() + 100, 200);
  form->Show();
  EXPECT_EQ(form->Left(), 0);
  EXPECT_EQ(form->Top(), (Screen->Height() - 200) / 2);
  EXPECT_EQ(form->Position(), poDesigned);
}

TEST_F(Forms, FocusMovesAlongTheParentChainsAndTheScreenTellsWhatChanged) {
  struct TTrail {
    std::vector<String> Events;
    void Enter(TObject* s) { Events.push_back("enter " + static_cast<TComponent*>(s)->Name()); }
    void Exit(TObject* s) { Events.push_back("exit " + static_cast<TComponent*>(s)->Name()); }
    void FormChange(TObject*) { Events.push_back("form"); }
    void ControlChange(TObject*) { Events.push_back("control"); }
  } trail;
  TFieldsForm* form = nullptr;
  Application->CreateForm(form);
  auto* inner = new TButton(form);
  inner->Rename("Inner");
  inner->SetParent(form->Panel);
  for (TWinControl* c : {static_cast<TWinControl*>(form->OkBtn), static_cast<TWinControl*>(form->Panel),
                         static_cast<TWinControl*>(inner)}) {
    c->OnEnter = TNotifyEvent::Of<&TTrail::Enter>(&trail);
    c->OnExit = TNotifyEvent::Of<&TTrail::Exit>(&trail);
  }
  Screen->OnActiveFormChange = TNotifyEvent::Of<&TTrail::FormChange>(&trail);
  Screen->OnActiveControlChange = TNotifyEvent::Of<&TTrail::ControlChange>(&trail);
  SetForegroundWindow(form->Handle());
  form->OkBtn->SetFocus();
  trail.Events.clear();
  inner->SetFocus();
  EXPECT_EQ(trail.Events, (std::vector<String>{"exit OkBtn", "enter Panel", "enter Inner", "control"}));
  EXPECT_EQ(Screen->ActiveControl(), inner);
  Screen->OnActiveFormChange = {};
  Screen->OnActiveControlChange = {};
  // A control that cannot take the focus is refused.
  form->OkBtn->SetEnabled(false);
  EXPECT_RAISES(EInvalidOperation, form->SetActiveControl(form->OkBtn), "Cannot focus a disabled or invisible window");
}

// Re-activating a form gives the focus back to its active control, also to
// one chosen while the form was inactive, with one change of the screen's
// active control: to that control, never to the form on the way.
TEST_F(Forms, ReactivationGivesTheFocusBackToTheActiveControl) {
  struct TChanges {
    std::vector<String> Names;
    void Note(TObject*) { Names.push_back(Screen->ActiveControl()->Name()); }
  } changes;
  TForm *a = NewForm<TForm>(Application), *b = NewForm<TForm>(Application);
  std::vector<TButton*> buttons;
  for (int i = 0; i < 3; ++i) {
    buttons.push_back(new TButton(a));
    buttons[i]->Rename("Button" + std::to_string(i));
    buttons[i]->SetBounds(8, 8 + 30 * i, 75, 25);
    buttons[i]->SetParent(a);
  }
  a->Show();
  b->SetBounds(400, 0, 200, 100);
  b->Show();
  SetForegroundWindow(a->Handle());
  buttons[2]->SetFocus();
  Screen->OnActiveControlChange = TNotifyEvent::Of<&TChanges::Note>(&changes);
  for (TButton* expected : {buttons[2], buttons[1]}) {
    SetActiveWindow(b->Handle());
    ASSERT_EQ(GetActiveWindow(), b->Handle());
    if (expected != a->ActiveControl()) a->SetActiveControl(expected);  // while inactive
    changes.Names.clear();
    SetActiveWindow(a->Handle());
    EXPECT_EQ(GetFocus(), expected->Handle());
    EXPECT_EQ(a->ActiveControl(), expected);
    EXPECT_EQ(changes.Names, std::vector<String>{expected->Name()});
  }
  Screen->OnActiveControlChange = {};
}

// The same test runs on a screen of 96 and of 120 pixels per inch.
TEST(Scaling, ADefinitionMadeAt96FollowsTheScreen) {
  TFieldsForm* form = NewForm<TFieldsForm>(Application);
  const int ppi = Screen->PixelsPerInch();
  EXPECT_EQ(form->PixelsPerInch(), ppi);
  EXPECT_EQ(form->Font()->Height(), MulDiv(-11, ppi, 96));
  const int textHeight = form->MeasureTextHeight();
  auto scaled = [&](int v) { return MulDiv(v, textHeight, 13); };
  EXPECT_EQ(form->OkBtn->Left(), scaled(8));
  EXPECT_EQ(form->OkBtn->Width(), scaled(8 + 75) - scaled(8));
  EXPECT_EQ(form->Panel->Top(), scaled(8));
  EXPECT_EQ(form->Note->Height(), scaled(20 + 13) - scaled(20));
  // The definition gives the window's size, 300 x 200: the client area it
  // leaves at 96 pixels per inch scales with the children.
  const LONG style = GetWindowLongA(form->Handle(), GWL_STYLE), exStyle = GetWindowLongA(form->Handle(), GWL_EXSTYLE);
  const SIZE designFrame = FrameExtent(style, exStyle, false, 96);
  EXPECT_EQ(form->ClientWidth(), scaled(300 - designFrame.cx));
  EXPECT_EQ(form->ClientHeight(), scaled(200 - designFrame.cy));
  std::printf("Scaling at %d pixels per inch: text height %d, font height %d, client %dx%d\n", ppi, textHeight,
              form->Font()->Height(), form->ClientWidth(), form->ClientHeight());
  delete form;
}

// The height of "0" in the definition's font at a density.
int TextHeightAt(int dpi) {
  HDC dc = GetDC(nullptr);
  HFONT font =
      CreateFontA(MulDiv(-11, dpi, 96), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, "0", 1, &size);
  DeleteObject(SelectObject(dc, old));
  ReleaseDC(nullptr, dc);
  return size.cy;
}

// A form moved to a screen of another density takes the layout it would
// have had if made there (fonts keep their point sizes, children follow the
// text height), in the rectangle the platform suggests (the size it asked
// for), and comes back to exactly what it had. Forms made in code or with Scaled off
// stay as they are.
TEST(Density, AFormMovedToAnotherDensityTakesTheLayoutItWouldHaveThere) {
  const int start = Screen->PixelsPerInch(), target = start == 96 ? 144 : 192;
  TFieldsForm* form = NewForm<TFieldsForm>(Application);
  form->Note->SetParentFont(false);
  form->Note->Font()->SetHeight(-19);
  auto state = [&] {
    std::vector<int> v;
    for (TControl* c : std::initializer_list<TControl*>{form->OkBtn, form->Panel, form->Note})
      v.insert(v.end(), {c->Left(), c->Top(), c->Width(), c->Height()});
    v.insert(v.end(), {form->Font()->Height(), form->Note->Font()->Height(), form->Width(), form->Height()});
    return v;
  };
  // Asks the form for its size at `dpi`, then moves it there in that size.
  auto moveTo = [](TForm* f, int dpi, int left) {
    SIZE size{};
    const LRESULT asked = SendMessageA(f->Handle(), WM_GETDPISCALEDSIZE_MSG, dpi, reinterpret_cast<LPARAM>(&size));
    RECT suggested{left, 30, left + size.cx, 30 + size.cy};
    SendMessageA(f->Handle(), WM_DPICHANGED_MSG, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    return std::pair{asked, suggested};
  };
  // What reading the definition at the target density gives: the edges of
  // OkBtn, Panel and Note scaled by the text heights, fonts by the densities.
  auto s = [t = TextHeightAt(target)](int v) { return MulDiv(v, t, 13); };
  std::vector<int> expected;
  for (auto [l, t, r, b] : {std::array{8, 8, 83, 33}, std::array{100, 8, 250, 108}, std::array{10, 20, 110, 33}})
    expected.insert(expected.end(), {s(l), s(t), s(r) - s(l), s(b) - s(t)});
  expected.insert(expected.end(), {MulDiv(-11, target, 96), MulDiv(-19, target, start)});
  const std::vector<int> before = state();
  const auto [asked, suggested] = moveTo(form, target, 40);
  RECT window;
  GetWindowRect(form->Handle(), &window);
  EXPECT_TRUE(asked && EqualRect(&window, &suggested));
  EXPECT_EQ(form->PixelsPerInch(), target);
  const std::vector<int> moved = state();
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(moved[i], expected[i], start == 96 ? 0 : 1) << i;  // twice rounded from 120
  moveTo(form, start, 10);
  EXPECT_EQ(state(), before);

  TForm* plain = NewForm<TForm>(Application);
  TFieldsForm* unscaled = NewForm<TFieldsForm>(Application);
  unscaled->SetScaled(false);
  for (TForm* f : {plain, static_cast<TForm*>(unscaled)}) {
    const std::vector<int> kept{f->Left(), f->Top(), f->Width(), f->Height(), f->Font()->Height()};
    EXPECT_EQ(moveTo(f, target, 10).first, 0);
    EXPECT_EQ((std::vector<int>{f->Left(), f->Top(), f->Width(), f->Height(), f->Font()->Height()}), kept);
  }
  delete plain;
  delete unscaled;
  delete form;
}

TEST_F(Forms, AutoScrollRangesFollowTheChildrenAndPositionsAreClamped) {
  TForm* form = NewForm<TForm>(Application);
  form->SetBounds(0, 0, 200, 150);
  form->Show();
  auto* wide = new TPanel(form);
  wide->SetBounds(150, 10, 300, 30);
  wide->SetParent(form);
  auto* right = new TPanel(form);
  right->SetWidth(40);
  right->SetAlign(alRight);
  right->SetParent(form);
  TControlScrollBar* bar = form->HorzScrollBar();
  EXPECT_EQ(bar->Range(), 450 + 40);  // the right-aligned child adds its width
  EXPECT_TRUE(GetWindowLongA(form->Handle(), GWL_STYLE) & WS_HSCROLL);
  bar->SetPosition(100000);
  EXPECT_EQ(bar->Position(), bar->LargestPosition());
  bar->SetPosition(-5);
  EXPECT_EQ(bar->Position(), 0);
  SendMessageA(form->Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30), 0);
  EXPECT_EQ(bar->Position(), 0);  // not tracking
  SendMessageA(form->Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30), 0);
  EXPECT_EQ(bar->Position(), 30);
  EXPECT_EQ(wide->Left(), 120);  // the children moved
  form->VertScrollBar()->SetRange(500);  // turns automatic ranges off, keeps the other range
  EXPECT_FALSE(form->AutoScroll());
  EXPECT_EQ(bar->Range(), 490);
  // A scroll box scrolls its own children, inside its sunken edge.
  auto* box = new TScrollBox(form);
  box->SetBounds(0, 50, 100, 60);
  box->SetParent(form);
  auto* deep = new TPanel(form);
  deep->SetBounds(0, 150, 50, 20);
  deep->SetParent(box);
  EXPECT_EQ(box->VertScrollBar()->Range(), 170);
  EXPECT_EQ(GetWindowLongA(box->Handle(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), WS_VSCROLL);
  EXPECT_TRUE(GetWindowLongA(box->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(Forms, ATwentyControlFormLeavesNoWindowOrGdiObjectBehind) {
  auto cycle = [] {
    TForm* form = NewForm<TForm>(Application);
    for (int i = 0; i < 10; ++i) {
      auto* panel = new TPanel(form);
      panel->SetBounds(i * 20, 0, 20, 50);
      panel->SetParent(form);
      auto* button = new TButton(form);
      button->SetParent(panel);
    }
    form->Show();
    form->Close();
    delete form;
  };
  cycle();
  const int windows = ThreadWindowCount();
  const long gdi = GdiTableCount();
  const double start = GetTickCount();
  for (int i = 0; i < HandleRounds; ++i) cycle();
  std::printf("20-control forms x %d: windows %d -> %d, GDI objects %ld -> %ld, %.1f ms per form\n", HandleRounds,
              windows, ThreadWindowCount(), gdi, GdiTableCount(), (GetTickCount() - start) / HandleRounds);
  EXPECT_EQ(ThreadWindowCount(), windows);
  EXPECT_EQ(GdiTableCount(), gdi);
}

}  // namespace
}  // namespace forms_test

int main(int argc, char** argv) {
  InitRuntime();
  InitGraphics();
  InitForms();
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--rounds=", 9) == 0) forms_test::HandleRounds = std::atoi(argv[i] + 9);
  return RUN_ALL_TESTS();
}
