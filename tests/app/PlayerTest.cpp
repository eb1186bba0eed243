// The sound player's main form in this process: its definition read and
// written back byte for byte, its published members, its buttons through the
// sound seam and the keyboard, its label and panel on pixels, and the handles
// thousands of clicks and hundreds of forms leave behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <memory>
#include <cstdlib>
#include <cstring>

#include "Application.h"
#include "GraphicsTestSupport.h"
#include "MainFrm.h"
#include "PlayerTest.h"
#include "Runtime.h"
#include "TestSupport.h"
#include "Writer.h"

namespace player_test {

int SoakClicks = 1000, SoakForms = 50;  // --clicks=N --forms=N

TPlayed Played;
BOOL WINAPI RecordPlay(LPCSTR sound, HMODULE module, DWORD flags) {
  Played.Calls.push_back({reinterpret_cast<std::uintptr_t>(sound) < 0x10000
                              ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(sound))
                              : String(sound),
                          module, flags});
  return Played.Succeed;
}

TMainForm* TPlayerForm::Create() {
  Played = {};
  PlaySoundFunction = RecordPlay;
  TMainForm* form = nullptr;
  Application->CreateForm(form);
  form->Show();
  SetForegroundWindow(form->Handle());
  ProcessAll();
  return form;
}

void ProcessAll() {
  while (Application->ProcessMessage()) {
  }
}

namespace {

String ResourceBytes(const char* name) {
  HRSRC info = FindResourceA(nullptr, name, RT_RCDATA);
  return String(static_cast<const char*>(LockResource(LoadResource(nullptr, info))), SizeofResource(nullptr, info));
}

TEST_F(TPlayerForm, TheDefinitionReadIntoTheRealFormIsWrittenBackByteForByte) {
  // A form just made: not shown yet, so without an active control, and the
  // only one named MainForm.
  delete Form;
  Form = nullptr;
  std::unique_ptr<TMainForm> fresh(NewForm<TMainForm>(Application));
  TMemoryStream out;
  TWriter writer(out, 4096);
  writer.WriteRootDefinition(fresh.get(), nullptr);
  writer.DropBuffer();
  const String original = ResourceBytes("TMAINFORM");
  ASSERT_EQ(original.size(), 884u);
  EXPECT_EQ(String(static_cast<const char*>(out.Memory()), out.Size()), original);
}

TEST_F(TPlayerForm, PublishesExactlyItsFieldsMethodsAndFieldClasses) {
  const TPublishedTables& tables = *TMainForm::StaticClass()->Published;
  EXPECT_STREQ(TMainForm::StaticClass()->UnitName, "MainFrm");
  const char* fields[] = {"ExitBtn", "Play1Btn", "Play2Btn", "Panel1", "Label1"};
  const TClass classes[] = {TButton::StaticClass(), TButton::StaticClass(), TButton::StaticClass(),
                            TPanel::StaticClass(), TLabel::StaticClass()};
  ASSERT_EQ(tables.Fields.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_STREQ(tables.Fields[i].Name, fields[i]);
    EXPECT_EQ(tables.FieldClasses[tables.Fields[i].ClassIndex], classes[i]);
  }
  EXPECT_EQ(tables.FieldClasses.size(), 3u);
  const char* methods[] = {"ExitBtnClick", "Play1BtnClick", "Play2BtnClick"};
  ASSERT_EQ(tables.Methods.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(tables.Methods[i].Name, methods[i]);
  EXPECT_EQ(Form->Panel1->BevelOuter(), bvLowered);
  EXPECT_EQ(Form->Label1->Parent(), Form->Panel1);
  EXPECT_EQ(Form->ExitBtn->OnClick.Method.Data, Form);
}

TEST_F(TPlayerForm, TheButtonsPlayTheirSoundsAndAFailureShowsTheWarning) {
  SendMessageA(Form->Play1Btn->Handle(), BM_CLICK, 0, 0);
  SendMessageA(Form->Play2Btn->Handle(), BM_CLICK, 0, 0);
  ASSERT_EQ(Played.Calls.size(), 2u);
  EXPECT_EQ(Played.Calls[0].Sound, "#100");
  EXPECT_EQ(Played.Calls[1].Sound, "SONDREL2");
  EXPECT_EQ(Played.Calls[0].Module, GetModuleHandleA(nullptr));
  EXPECT_EQ(Played.Calls[1].Flags, 0x42007u);

  Played.Succeed = false;
  String text;
  bool othersDisabled = false;
  WatchNextBox([&](HWND box) {
    text = BoxText(box);
    othersDisabled = !IsWindowEnabled(Form->Handle());
  });
  SendMessageA(Form->Play2Btn->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(text, "Erro ao tentar tocar som 2.");
  EXPECT_TRUE(othersDisabled);
  EXPECT_TRUE(IsWindowEnabled(Form->Handle()));
  EXPECT_EQ(GetActiveWindow(), Form->Handle());  // the form is usable again
}

TEST_F(TPlayerForm, SairClosesTheFormAndEndsTheProgram) {
  SendMessageA(Form->ExitBtn->Handle(), BM_CLICK, 0, 0);
  MSG m;
  EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 0u);
}

// The label's wrapped lines are centred, and the panel's lowered bevel has
// its shadow above and left, its highlight below and right.
TEST_F(TPlayerForm, TheLabelCentresItsWrappedLinesInsideTheLoweredPanel) {
  UpdateWindow(Form->Handle());
  HDC dc = GetDC(Form->Panel1->Handle());
  const int w = Form->Panel1->Width(), h = Form->Panel1->Height();
  EXPECT_EQ(GetPixel(dc, 0, h / 2), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(dc, w / 2, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(dc, w - 1, h / 2), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(GetPixel(dc, w / 2, h - 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(GetPixel(dc, 5, 5), GetSysColor(COLOR_BTNFACE));
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

TEST_F(TPlayerForm, SoakOfClicksAndFormsLeavesTheHandles) {
  const int windows = ThreadWindowCount();
  const long gdi = GdiTableCount();
  for (int i = 0; i < SoakClicks; ++i) SendMessageA(Form->Play1Btn->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(static_cast<int>(Played.Calls.size()), SoakClicks);
  EXPECT_EQ(GdiTableCount(), gdi);
  EXPECT_EQ(ThreadWindowCount(), windows);
  delete Form;
  Form = nullptr;
  ProcessAll();
  const int emptyWindows = ThreadWindowCount();
  const long emptyGdi = GdiTableCount();
  for (int i = 0; i < SoakForms; ++i) {
    TMainForm* form = nullptr;
    Application->CreateForm(form);
    form->Show();
    delete form;
  }
  ProcessAll();
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
