// Message dispatch: handler tables searched from the object's class towards
// the root, inherited handling, reflection of notifications to the child
// controls they concern, the keyboard path and exceptions in handlers.
#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "TestSupport.h"

namespace controls_test {
namespace {

// Three generations that log which handler ran.
class TBase : public TObject {
  SONDREL_CLASS(TBase)
 public:
  std::vector<String> Ran;
  void DefaultHandler(TMessage&) override { Ran.push_back("default"); }
  void One(TMessage&) { Ran.push_back("base one"); }
  void Two(TMessage&) { Ran.push_back("base two"); }
};
class TMiddle : public TBase {
  SONDREL_CLASS(TMiddle)
 public:
  void One(TMessage& m) {
    Ran.push_back("middle one");
    Inherited<TMiddle>(m);
  }
  void Three(TMessage& m) {
    Ran.push_back("middle three");
    Inherited<TMiddle>(m);
  }
};
class TLeaf : public TMiddle {
  SONDREL_CLASS(TLeaf)
};

}  // namespace
}  // namespace controls_test

using namespace controls_test;

template <>
struct TClassTables<TBase> {
  static constexpr auto Messages =
      MessageTable({MessageHandler<&TBase::Two>(0x402), MessageHandler<&TBase::One>(0x401),
                    MessageHandler<&TBase::One>(0xC001), MessageHandler<&TBase::One>(0)});
};
template <>
struct TClassTables<TMiddle> {
  static constexpr auto Messages =
      MessageTable({MessageHandler<&TMiddle::Three>(0x403), MessageHandler<&TMiddle::One>(0x401)});
};

namespace controls_test {
SONDREL_MESSAGE_CLASS(TBase, TObject, "Tests", TClassTables<TBase>::Messages);
SONDREL_MESSAGE_CLASS(TMiddle, TBase, "Tests", TClassTables<TMiddle>::Messages);
SONDREL_CLASS_RECORD(TLeaf, TMiddle, "Tests");

namespace {

TEST(Dispatch, TheMostDerivedHandlerRunsAndInheritedEndsInDefaultHandler) {
  const struct {
    unsigned Msg;
    std::vector<String> Ran;
  } cases[] = {{0x401, {"middle one", "base one"}}, {0x402, {"base two"}}, {0x403, {"middle three", "default"}},
               {0x404, {"default"}},
               // Number 0 and registered numbers skip the tables even when a class lists them.
               {0, {"default"}}, {0xC001, {"default"}},
               {0x10401, {"middle one", "base one"}}};  // only the low 16 bits count
  for (const auto& c : cases) {
    TLeaf leaf;
    TMessage message{c.Msg, 0, 0};
    leaf.Dispatch(message);
    EXPECT_EQ(leaf.Ran, c.Ran) << std::hex << c.Msg;
  }
}

TEST(Reflection, NotificationsAndColourRequestsGoToTheChildTheyConcern) {
  TTestForm form;
  auto* child = new TWinControl(&form);
  child->SetParent(&form);
  child->SetBounds(10, 10, 50, 20);
  form.Show();
  TMessageLog log(child);
  const HWND window = child->Handle(), parent = form.Handle();
  EXPECT_EQ(GetWindowLongA(window, GWL_ID), reinterpret_cast<LONG>(window));  // routed by handle
  DRAWITEMSTRUCT draw{};
  draw.CtlID = reinterpret_cast<UINT>(window);
  NMHDR notify{window, 7, 0};
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(window));
  SendMessageA(parent, WM_COMMAND, 7, 0);  // a menu command: not reflected
  SendMessageA(parent, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&notify));
  SendMessageA(parent, WM_DRAWITEM, 7, reinterpret_cast<LPARAM>(&draw));
  SendMessageA(parent, WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(1, 1));  // a click: not reflected
  SendMessageA(parent, WM_PARENTNOTIFY, WM_DESTROY, reinterpret_cast<LPARAM>(window));
  EXPECT_TRUE(MatchesSequence(log.Log, {{XN_COMMAND, CheckW | CheckL, MAKEWPARAM(7, BN_CLICKED),
                                         reinterpret_cast<LPARAM>(window)},
                                        {XN_NOTIFY},
                                        {XN_DRAWITEM},
                                        {XN_PARENTNOTIFY, CheckW, WM_DESTROY}}));
  // Control colours come from the child's font and brush.
  child->Font()->SetColor(clRed);
  child->SetColor(clLime);
  TBitmapContext bitmap(4, 4);
  EXPECT_EQ(SendMessageA(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(bitmap.DC), reinterpret_cast<LPARAM>(window)),
            reinterpret_cast<LRESULT>(child->Brush()->Handle()));
  EXPECT_EQ(GetTextColor(bitmap.DC), RGB(255, 0, 0));
  EXPECT_EQ(GetBkColor(bitmap.DC), RGB(0, 255, 0));
}

// A control whose WM_GETDLGCODE answer is set by the test.
class TDialogCodeControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
  unsigned Code = 0;
  void HandleMessage(TMessage& m) override {
    if (m.Msg == WM_GETDLGCODE)
      m.Result = Code;
    else
      TWinControl::HandleMessage(m);
  }
};

TEST(KeyboardPath, SpecialKeysGoToTheFormUnlessTheControlWantsThemAndPreviewComesFirst) {
  TTestForm form;
  auto* edit = new TDialogCodeControl(&form);
  edit->SetParent(&form);
  form.Show();
  const struct {
    unsigned Message, Key, Code;
    const char* Logged;  // what the form was offered
  } cases[] = {
      {XN_KEYDOWN, VK_TAB, 0, "dialog key 9"},  // nobody took it: it goes on
      {XN_KEYDOWN, VK_TAB, DLGC_WANTTAB, nullptr},
      {XN_KEYDOWN, VK_LEFT, DLGC_WANTTAB, "dialog key 37"},
      {XN_KEYDOWN, VK_LEFT, DLGC_WANTARROWS, nullptr},
      {XN_KEYDOWN, 'A', 0, nullptr},
      {XN_CHAR, 'a', 0, "dialog char 97"},
      {XN_CHAR, 'a', DLGC_WANTCHARS, nullptr},
      {XN_SYSKEYDOWN, 'A', 0, "dialog key 65"},
      {XN_SYSCHAR, ' ', 0, nullptr},  // Alt+Space keeps the system menu
      {XN_SYSCHAR, 'x', 0, "dialog char 120"},
  };
  for (const auto& c : cases) {
    form.Log.clear();
    edit->Code = c.Code;
    EXPECT_EQ(SendMessageA(edit->Handle(), c.Message, c.Key, 0), 0) << c.Key;
    EXPECT_EQ(form.Log, c.Logged ? std::vector<String>{c.Logged} : std::vector<String>{}) << c.Key;
  }
  // With KeyPreview the form's key event runs first and may swallow the key.
  struct TKeys {
    std::vector<String> Seen;
    void FormKey(TObject*, std::uint16_t& key, TShiftState) {
      Seen.push_back("form");
      if (key == 'X') key = 0;
    }
    void ControlKey(TObject*, std::uint16_t&, TShiftState) { Seen.push_back("control"); }
  } keys;
  form.OnKeyDown = TKeyEvent::Of<&TKeys::FormKey>(&keys);
  edit->OnKeyDown = TKeyEvent::Of<&TKeys::ControlKey>(&keys);
  edit->PerformMessage(WM_KEYDOWN, 'Y', 0);
  form.Preview = true;
  edit->PerformMessage(WM_KEYDOWN, 'Y', 0);
  edit->PerformMessage(WM_KEYDOWN, 'X', 0);
  EXPECT_EQ(keys.Seen, (std::vector<String>{"control", "form", "control", "form"}));
}

TEST(HandlerFaults, AnExceptionInAHandlerReachesTheApplicationAndTheCallerGoesOn) {
  struct TFaulty {
    void Click(TObject*) { throw EInvalidOperation("clicked badly"); }
  } faulty;
  TTestForm form;
  form.Rename("Form");
  form.OnClick = TNotifyEvent::Of<&TFaulty::Click>(&faulty);
  form.Show();
  Host().Exceptions.clear();
  const HWND window = form.Handle();
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)), 0);
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  EXPECT_EQ(Host().Exceptions, (std::vector<String>{"Form: clicked badly", "Form: clicked badly"}));
  EXPECT_TRUE(IsWindow(window));
}

}  // namespace
}  // namespace controls_test
