// The sound player's main form in this process: its definition read and
// written back byte for byte, its buttons through the sound seam and the
// keyboard, its label and panel measured and on pixels, and the handles
// thousands of clicks and hundreds of forms leave behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "Application.h"
#include "FormsTestSupport.h"
#include "GraphicsTestSupport.h"
#include "MainFrm.h"
#include "Runtime.h"
#include "Screen.h"
#include "TestSupport.h"
#include "Writer.h"

namespace player_test {
namespace {

int SoakClicks = 1000, SoakForms = 50;  // --clicks=N --forms=N

// The sound seam: the sounds asked for ("#100" for an integer identifier),
// the module and flags of the last request, and the answer to give.
struct TPlayed {
  std::vector<String> Sounds;
  HMODULE Module = nullptr;
  DWORD Flags = 0;
  bool Succeed = true;
} Played;
BOOL WINAPI RecordPlay(LPCSTR sound, HMODULE module, DWORD flags) {
  const auto id = reinterpret_cast<std::uintptr_t>(sound);
  Played.Sounds.push_back(id < 0x10000 ? "#" + std::to_string(id) : String(sound));
  Played.Module = module;
  Played.Flags = flags;
  return Played.Succeed;
}

// A main form made by the application, shown and in front; sounds are
// recorded instead of played.
class Player : public testing::Test {
 protected:
  Player() {
    Played = {};
    PlaySoundFunction = RecordPlay;
    Application->CreateForm(Form);
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Application->ProcessMessages();
  }
  ~Player() override {
    delete Form;
    Application->ProcessMessages();
  }
  // A key as the message loop hands it to the focused control: reflected
  // first, then (when nobody took it) to the window itself.
  static long Reflect(TWinControl* focused, UINT msg, WPARAM key, LPARAM data = 0) {
    return SendMessageA(focused->Handle(), XN_BASE + msg, key, data);
  }
  TMainForm* Form = nullptr;
};

TEST_F(Player, TheDefinitionReadIntoTheRealFormIsWrittenBackByteForByte) {
  // A form just made: not shown yet, so without an active control, and the
  // only one named MainForm.
  delete Form;
  Form = nullptr;
  std::unique_ptr<TMainForm> fresh(NewForm<TMainForm>(Application));
  TMemoryStream out;
  TWriter writer(out, 4096);
  writer.WriteRootDefinition(fresh.get(), nullptr);
  writer.DropBuffer();
  HRSRC info = FindResourceA(nullptr, "TMAINFORM", RT_RCDATA);
  const String original(static_cast<const char*>(LockResource(LoadResource(nullptr, info))),
                        SizeofResource(nullptr, info));
  ASSERT_EQ(original.size(), 884u);
  EXPECT_EQ(String(static_cast<const char*>(out.Memory()), out.Size()), original);
}

TEST_F(Player, TheButtonsPlayTheirSoundsAndAFailureShowsTheWarning) {
  SendMessageA(Form->Play1Btn->Handle(), BM_CLICK, 0, 0);
  SendMessageA(Form->Play2Btn->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Played.Sounds, (std::vector<String>{"#100", "SONDREL2"}));
  EXPECT_EQ(Played.Module, GetModuleHandleA(nullptr));
  EXPECT_EQ(Played.Flags, 0x42007u);  // from the resources, asynchronously, no waiting, no default sound
  Played.Succeed = false;
  String text;
  WatchNextBox([&](HWND box) { text = BoxText(box); });
  SendMessageA(Form->Play2Btn->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(text, "Erro ao tentar tocar som 2.");
  EXPECT_EQ(GetActiveWindow(), Form->Handle());  // the form is usable again
}

TEST_F(Player, EnterClicksTheFocusedOrDefaultButtonAndEscapeNothingWithoutCancel) {
  Form->Play2Btn->SetFocus();
  EXPECT_TRUE(Form->Play2Btn->DrawnAsDefault());  // the default look follows the focus
  EXPECT_FALSE(Form->ExitBtn->DrawnAsDefault());
  EXPECT_EQ(GetWindowLongA(Form->Play2Btn->Handle(), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_EQ(Reflect(Form->Play2Btn, WM_KEYDOWN, VK_RETURN), 1);
  EXPECT_EQ(Reflect(Form->Play2Btn, WM_KEYDOWN, VK_ESCAPE), 0);  // no Cancel button: the key goes on
  EXPECT_EQ(Reflect(Form->Play2Btn, WM_KEYDOWN, VK_RETURN, 0x20000000), 0);  // not with Alt
  // Focused elsewhere than on a button, Enter clicks the Default button only.
  Form->Play1Btn->SetDefault(true);
  Form->SetActiveControl(nullptr);
  Form->PerformMessage(XM_FOCUS_CHANGED, 0, reinterpret_cast<long>(Form->Panel1));
  EXPECT_TRUE(Form->Play1Btn->DrawnAsDefault());
  EXPECT_EQ(Form->PerformMessage(XM_DIALOG_KEY, VK_RETURN, 0), 1);
  EXPECT_EQ(Played.Sounds, (std::vector<String>{"SONDREL2", "#100"}));
}

TEST_F(Player, MnemonicsClickTheirButtonWhereverTheFocusIs) {
  Form->ExitBtn->SetFocus();
  EXPECT_EQ(Reflect(Form->ExitBtn, WM_CHAR, '1'), 1);     // the bare character
  EXPECT_EQ(Reflect(Form->ExitBtn, WM_SYSCHAR, '2'), 1);  // Alt with the character
  EXPECT_EQ(Reflect(Form->ExitBtn, WM_CHAR, 'x'), 0);     // nobody's mnemonic
  EXPECT_EQ(Screen->ActiveControl(), Form->ExitBtn);      // clicked without taking the focus
  EXPECT_EQ(Played.Sounds, (std::vector<String>{"#100", "SONDREL2"}));
}

TEST_F(Player, AMousePressThatCannotTakeTheFocusClicksNothing) {
  struct TRefuse {
    void Enter(TObject*) { ::SetFocus(nullptr); }  // another window takes the focus away
  } refuse;
  Form->Play1Btn->OnEnter = TNotifyEvent::Of<&TRefuse::Enter>(&refuse);
  for (int attempt = 0; attempt < 2; ++attempt) {
    SendMessageA(Form->Play1Btn->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(Form->Play1Btn->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Played.Sounds.size(), static_cast<std::size_t>(attempt)) << attempt;
    Form->Play1Btn->OnEnter = {};
  }
  EXPECT_EQ(Form->ModalResult(), mrNone);  // a click hands its (zero) modal result to the form
}

TEST_F(Player, LabelsMeasureThemselvesAndPanelsOfferTheirInside) {
  auto* label = new TLabel(Form);
  label->SetParent(Form->Panel1);
  label->SetText("x");
  for (const char* caption : {"", "&"}) {
    label->SetText(caption);
    EXPECT_EQ(label->Height(), Form->Canvas()->TextHeight("W")) << caption;  // one line, never zero
  }
  label->SetAlignment(taRightJustify);
  label->SetBounds(200, 5, 50, 10);
  label->SetText("Wider text");
  EXPECT_EQ(label->Left() + label->Width(), 250);  // grows to the left
  label->SetShowAccelChar(false);
  const int withAmpersand = (label->SetText("A&B"), label->Width());
  label->SetShowAccelChar(true);
  label->SetText("AB");
  EXPECT_GT(withAmpersand, label->Width());  // "&" drawn as itself

  auto* child = new TPanel(Form);
  child->SetAlign(alClient);
  child->SetParent(Form->Panel1);
  EXPECT_EQ(child->BoundsRect().left, 1);  // inside the one-pixel lowered bevel
  Form->Panel1->SetBevelInner(bvRaised);
  Form->Panel1->SetBevelWidth(3);
  Form->Panel1->SetBorderWidth(2);
  EXPECT_EQ(child->Left(), 8);  // 3 + 2 + 3
  EXPECT_EQ(child->Width(), Form->Panel1->ClientWidth() - 16);
}

// The panel's lowered bevel has its shadow above and left, its highlight
// below and right; the label's wrapped lines are centred.
TEST_F(Player, TheLabelCentresItsWrappedLinesInsideTheLoweredPanel) {
  UpdateWindow(Form->Handle());
  HDC dc = GetDC(Form->Panel1->Handle());
  const int w = Form->Panel1->Width(), h = Form->Panel1->Height();
  using TPixels = std::array<COLORREF, 5>;  // left, top, right, bottom, inside
  EXPECT_EQ((TPixels{GetPixel(dc, 0, h / 2), GetPixel(dc, w / 2, 0), GetPixel(dc, w - 1, h / 2),
                     GetPixel(dc, w / 2, h - 1), GetPixel(dc, 5, 5)}),
            (TPixels{GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT),
                     GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNFACE)}));
  // Bands of rows with black text are the lines: each line's ink is centred.
  const TLabel& label = *Form->Label1;
  int lines = 0, left = INT_MAX, right = -1;
  for (int y = label.Top(); y <= label.Top() + label.Height(); ++y) {
    int rowLeft = INT_MAX, rowRight = -1;
    for (int x = label.Left(); y < label.Top() + label.Height() && x < label.Left() + label.Width(); ++x)
      if (GetPixel(dc, x, y) == RGB(0, 0, 0)) {
        rowLeft = std::min(rowLeft, x);
        rowRight = x;
      }
    if (rowRight >= 0) {
      left = std::min(left, rowLeft);
      right = std::max(right, rowRight);
    } else if (right >= 0) {  // a band ended
      ++lines;
      // (the last line, " Dorvane", centres a leading blank too)
      EXPECT_NEAR(left - label.Left(), label.Left() + label.Width() - 1 - right, 5) << "line ending at " << y;
      left = INT_MAX;
      right = -1;
    }
  }
  ReleaseDC(Form->Panel1->Handle(), dc);
  EXPECT_GE(lines, 4);  // two wrapped lines, "feito por" and the name
}

TEST_F(Player, SoakOfClicksAndFormsLeavesTheHandles) {
  const int windows = ThreadWindowCount();
  const long gdi = GdiTableCount();
  for (int i = 0; i < SoakClicks; ++i) SendMessageA(Form->Play1Btn->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(static_cast<int>(Played.Sounds.size()), SoakClicks);
  EXPECT_EQ(GdiTableCount(), gdi);
  EXPECT_EQ(ThreadWindowCount(), windows);
  delete Form;
  Form = nullptr;
  Application->ProcessMessages();
  const int emptyWindows = ThreadWindowCount();
  const long emptyGdi = GdiTableCount();
  for (int i = 0; i < SoakForms; ++i) {
    TMainForm* form = nullptr;
    Application->CreateForm(form);
    form->Show();
    delete form;
  }
  Application->ProcessMessages();
  std::printf("%d clicks: GDI objects %ld -> %ld; %d main forms: windows %d -> %d, GDI objects %ld -> %ld\n",
              SoakClicks, gdi, gdi, SoakForms, emptyWindows, ThreadWindowCount(), emptyGdi, GdiTableCount());
  EXPECT_EQ(ThreadWindowCount(), emptyWindows);
  EXPECT_EQ(GdiTableCount(), emptyGdi);
}

}  // namespace
}  // namespace player_test

int main(int argc, char** argv) {
  InitRuntime();
  InitGraphics();
  InitForms();
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--clicks=", 9) == 0) player_test::SoakClicks = std::atoi(argv[i] + 9);
    if (std::strncmp(argv[i], "--forms=", 8) == 0) player_test::SoakForms = std::atoi(argv[i] + 8);
  }
  return RUN_ALL_TESTS();
}
