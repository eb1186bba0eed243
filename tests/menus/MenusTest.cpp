// Menus on real windows: a main menu and a pop-up menu read from a form
// definition, commands and shortcuts pressed as real keys, shortcut texts,
// the rules of inserting items, radio groups, merging, and the handles of
// rebuilt and destroyed menus.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "Application.h"
#include "Menus.h"
#include "Runtime.h"
#include "Screen.h"
#include "TestSupport.h"

namespace menus_test {

class TMenuForm : public TForm {
  SONDREL_CLASS(TMenuForm)
 public:
  using TForm::TForm;
  TMainMenu* MainMenu1 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem *FileMenu = nullptr, *SaveItem = nullptr, *HelpItem = nullptr, *CopyItem = nullptr;
  std::vector<String> Clicked;
  void ItemClick(TObject* sender) { Clicked.push_back(static_cast<TComponent*>(sender)->Name()); }
};
const TMethodEntry MenuFormMethods[] = {PublishedMethod<&TMenuForm::ItemClick>("ItemClick")};
const TFieldEntry MenuFormFields[] = {
    PublishedField<&TMenuForm::MainMenu1>("MainMenu1", 0), PublishedField<&TMenuForm::PopupMenu1>("PopupMenu1", 1),
    PublishedField<&TMenuForm::FileMenu>("FileMenu", 2),   PublishedField<&TMenuForm::SaveItem>("SaveItem", 2),
    PublishedField<&TMenuForm::HelpItem>("HelpItem", 2),   PublishedField<&TMenuForm::CopyItem>("CopyItem", 2)};
const TClass MenuFormClasses[] = {&TMainMenu::ClassRec, &TPopupMenu::ClassRec, &TMenuItem::ClassRec};
SONDREL_PUBLISHED_CLASS(TMenuForm, TForm, "Tests",
                        {.Methods = MenuFormMethods, .Fields = MenuFormFields, .FieldClasses = MenuFormClasses,
                         .Create = &NewComponent<TMenuForm>});

namespace {

void ProcessAll() {
  while (Application->ProcessMessage()) {
  }
}

// Presses the keys (virtual-key codes, modifiers first) as real input.
void Press(std::initializer_list<WORD> keys) {
  std::vector<INPUT> input;
  for (WORD k : keys) input.push_back({INPUT_KEYBOARD, {.ki = {k, 0, 0, 0, 0}}});
  for (auto it = keys.end(); it != keys.begin();) input.push_back({INPUT_KEYBOARD, {.ki = {*--it, 0, KEYEVENTF_KEYUP, 0, 0}}});
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
  for (int i = 0; i < 20; ++i) {
    Sleep(10);
    ProcessAll();
  }
}

class MenuForm : public testing::Test {
 protected:
  MenuForm() : Form(NewForm<TMenuForm>(Application)) {
    Form->Show();
    SetForegroundWindow(Form->Handle());
    ProcessAll();
  }
  ~MenuForm() override { delete Form; }
  TMenuForm* Form;
};

TEST_F(MenuForm, TheDefinitionBuildsTheMenusAndWiresTheMainMenuToTheWindow) {
  ASSERT_TRUE(Form->MainMenu1 && Form->SaveItem && Form->CopyItem);
  EXPECT_EQ(Form->Menu(), Form->MainMenu1);
  EXPECT_EQ(Form->PopupMenu(), Form->PopupMenu1);
  EXPECT_EQ(GetMenu(Form->Handle()), Form->MainMenu1->Handle());
  EXPECT_EQ(Form->SaveItem->Parent(), Form->FileMenu);
  EXPECT_EQ(Form->FileMenu->Parent(), Form->MainMenu1->Items());
  char text[64];
  GetMenuStringA(Form->FileMenu->Handle(), 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&Save\tCtrl+S");
  // A command number from the platform reaches its item.
  SendMessageA(Form->Handle(), WM_COMMAND, Form->HelpItem->Command(), 0);
  SendMessageA(PopupListWindow(), WM_COMMAND, Form->CopyItem->Command(), 0);
  EXPECT_EQ(Form->Clicked, (std::vector<String>{"HelpItem", "CopyItem"}));
}

TEST_F(MenuForm, ShortcutsPressedAsKeysReachTheirItems) {
  Press({VK_CONTROL, 'S'});
  Press({VK_SHIFT, VK_CONTROL, VK_MENU, VK_F1});
  Press({'S'});  // no shortcut
  EXPECT_EQ(Form->Clicked, (std::vector<String>{"SaveItem", "HelpItem"}));
  // A disabled item's shortcut is found but clicks nothing.
  Form->SaveItem->SetEnabled(false);
  Press({VK_CONTROL, 'S'});
  EXPECT_EQ(Form->Clicked.size(), 2u);
}

TEST_F(MenuForm, AMenuServesOneFormAndGoesWithIt) {
  TForm* other = NewForm<TForm>(Application);
  EXPECT_RAISES(EInvalidOperation, other->SetMenu(Form->MainMenu1),
                "Menu 'MainMenu1' is already being used by another form");
  delete other;
  HMENU menu = Form->MainMenu1->Handle(), sub = Form->FileMenu->Handle();
  delete Form;
  Form = nullptr;
  EXPECT_FALSE(IsMenu(menu));
  EXPECT_FALSE(IsMenu(sub));
}

TEST(ShortCuts, TextsAndValues) {
  const struct {
    TShortCut Value;
    const char* Text;
  } cases[] = {{0x4000 | 'S', "Ctrl+S"}, {0xE000 | VK_F1, "Shift+Ctrl+Alt+F1"}, {VK_RETURN, "Enter"},
               {VK_NUMPAD7, "7"},       {0x2000 | VK_DELETE, "Shift+Del"},   {VK_F24, "F24"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ShortCutToText(c.Value), c.Text);
    EXPECT_EQ(TextToShortCut(c.Text), c.Value == VK_NUMPAD7 ? '7' : c.Value) << c.Text;
  }
  EXPECT_EQ(TextToShortCut("^s"), 0x4000 | 'S');
  EXPECT_EQ(TextToShortCut("ctrl+ALT+home"), 0xC000 | VK_HOME);
  EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
  EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), 0);
  EXPECT_EQ(ShortCutToText(0xE0), "");  // no one-character name
}

struct Items : testing::Test {
  Items() : Menu(new TMainMenu(nullptr)) {}
  ~Items() override { delete Menu; }
  TMenuItem* Add(TMenuItem* parent, std::uint8_t group, const char* caption = "x") {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    item->SetGroupIndex(group);
    parent->Add(item);
    return item;
  }
  std::vector<String> Captions(TMenuItem* parent) {
    std::vector<String> captions;
    HMENU menu = parent->Handle();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[32];
      GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
      captions.push_back(text);
    }
    return captions;
  }
  TMainMenu* Menu;
};

TEST_F(Items, InsertingRefusesBadRequestsAndKeepsTheTrees) {
  TMenuItem* root = Menu->Items();
  TMenuItem* a = Add(root, 0);
  TMenuItem* b = Add(a, 0);
  EXPECT_RAISES(EMenuError, root->Add(b), "Menu inserted twice");
  EXPECT_RAISES(EMenuError, b->Add(root), "Menu inserted twice");  // a cycle
  EXPECT_RAISES(EMenuError, root->Delete(5), "Menu index out of range");
  EXPECT_RAISES(EMenuError, b->Items(0), "Menu index out of range");
  TMenuItem loose(nullptr);
  EXPECT_RAISES(EMenuError, root->Remove(&loose), "Sub-menu is not in menu");
  EXPECT_EQ(root->Count(), 1);
  EXPECT_EQ(a->Count(), 1);
  EXPECT_EQ(b->Parent(), a);
}

TEST_F(Items, GroupIndexesStayInOrder) {
  TMenuItem* root = Menu->Items();
  Add(root, 3);
  TMenuItem* low = Add(root, 1);
  EXPECT_EQ(low->GroupIndex(), 3);  // takes the group of the item before it
  auto* later = new TMenuItem(nullptr);
  later->SetGroupIndex(1);
  root->Insert(root->Count(), later);
  auto* first = new TMenuItem(nullptr);
  first->SetGroupIndex(5);
  root->Insert(0, first);
  EXPECT_EQ(root->Items(1)->GroupIndex(), 5);  // raised to the inserted item's group
  EXPECT_RAISES(EMenuError, root->Items(2)->SetGroupIndex(4),
                "GroupIndex cannot be less than a previous menu item's GroupIndex");
}

TEST_F(Items, CheckingARadioItemUnchecksItsGroupOnly) {
  TMenuItem* root = Menu->Items();
  TMenuItem* items[4];
  const std::uint8_t groups[] = {1, 1, 2, 2};
  for (int i = 0; i < 4; ++i) {
    items[i] = Add(root, groups[i]);
    items[i]->SetRadioItem(true);
  }
  items[0]->SetChecked(true);
  items[2]->SetChecked(true);
  items[1]->SetChecked(true);
  EXPECT_FALSE(items[0]->Checked());
  EXPECT_TRUE(items[1]->Checked());
  EXPECT_TRUE(items[2]->Checked());
}

TEST_F(Items, MergedGroupsReplaceOwnOnesOfTheSameIndex) {
  TMainMenu other(nullptr);
  Add(Menu->Items(), 0, "own0");
  Add(Menu->Items(), 2, "own2");
  Add(other.Items(), 1, "merged1");
  Add(other.Items(), 2, "merged2");
  Menu->Merge(&other);
  EXPECT_EQ(Captions(Menu->Items()), (std::vector<String>{"own0", "merged1", "merged2"}));
  Menu->Unmerge(&other);
  EXPECT_EQ(Captions(Menu->Items()), (std::vector<String>{"own0", "own2"}));
}

TEST_F(Items, CommandNumbersAreReusedAndMenuHandlesFreed) {
  auto* item = new TMenuItem(nullptr);
  const std::uint16_t command = item->Command();
  delete item;
  item = new TMenuItem(nullptr);
  EXPECT_EQ(item->Command(), command);
  delete item;
  // Rebuilding keeps the menu; destroying a tree frees all of its menus.
  TMenuItem* file = Add(Menu->Items(), 0, "File");
  Add(file, 0, "Open");
  const HMENU menu = Menu->Handle();
  std::set<HMENU> seen;
  for (int i = 0; i < 1000; ++i) {
    file->SetCaption(i % 2 ? "File" : "Files");
    auto* tree = new TMenuItem(nullptr);
    Add(Add(tree, 0, "a"), 0, "b");
    seen.insert(tree->Handle());
    seen.insert(tree->Items(0)->Handle());
    delete tree;
  }
  EXPECT_EQ(Menu->Handle(), menu);
  int live = 0;
  for (HMENU h : seen) live += IsMenu(h) ? 1 : 0;
  std::printf("1000 rebuilds and 1000 menu trees: %d of %zu menu handles still live\n", live, seen.size());
  EXPECT_EQ(live, 0);
}

}  // namespace
}  // namespace menus_test

int main(int argc, char** argv) {
  InitRuntime();
  InitGraphics();
  InitForms();
  InitMenus();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
