// Menus on real windows: a main menu and a pop-up menu read from a form
// definition, commands and shortcuts pressed as real keys, shortcut texts,
// the rules of inserting items, radio groups, merging, and the handles of
// rebuilt and destroyed menus.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
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
  // Moves the clicked item's shortcut to a new item and frees it.
  void RebuildClick(TObject* sender) {
    ItemClick(sender);
    auto* fresh = new TMenuItem(this);
    fresh->SetShortCut(SaveItem->ShortCutValue());
    fresh->OnClick = TNotifyEvent::Of<&TMenuForm::ItemClick>(this);
    SaveItem->SetShortCut(0);
    FileMenu->Add(fresh);
    delete SaveItem;
  }
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

// Presses the keys (virtual-key codes, modifiers first) as real input.
void Press(std::initializer_list<WORD> keys) {
  std::vector<INPUT> input;
  for (WORD k : keys) input.push_back({INPUT_KEYBOARD, {.ki = {k, 0, 0, 0, 0}}});
  for (auto it = keys.end(); it != keys.begin();) input.push_back({INPUT_KEYBOARD, {.ki = {*--it, 0, KEYEVENTF_KEYUP, 0, 0}}});
  SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
  for (int i = 0; i < 20; ++i) {
    Sleep(10);
    Application->ProcessMessages();
  }
}

String MenuText(HMENU menu, int position) {
  char text[64];
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

class MenuForm : public testing::Test {
 protected:
  MenuForm() : Form(NewForm<TMenuForm>(Application)) {
    Form->Show();
    SetForegroundWindow(Form->Handle());
    Application->ProcessMessages();
  }
  ~MenuForm() override { delete Form; }
  TMenuForm* Form;
};

TEST_F(MenuForm, TheDefinitionBuildsTheMenusAndCommandsAndShortcutKeysReachTheirItems) {
  ASSERT_TRUE(Form->MainMenu1 && Form->SaveItem && Form->CopyItem);
  EXPECT_EQ(Form->PopupMenu(), Form->PopupMenu1);
  EXPECT_EQ(GetMenu(Form->Handle()), Form->MainMenu1->Handle());
  EXPECT_EQ(Form->SaveItem->Parent(), Form->FileMenu);
  EXPECT_EQ(MenuText(Form->FileMenu->Handle(), 0), "&Save\tCtrl+S");
  // A command number from the platform reaches its item.
  SendMessageA(Form->Handle(), WM_COMMAND, Form->HelpItem->Command(), 0);
  SendMessageA(PopupListWindow(), WM_COMMAND, Form->CopyItem->Command(), 0);
  Press({VK_CONTROL, 'S'});
  Press({VK_SHIFT, VK_CONTROL, VK_MENU, VK_F1});
  Press({'S'});  // no shortcut
  // A disabled item's shortcut is found but clicks nothing.
  Form->SaveItem->SetEnabled(false);
  Press({VK_CONTROL, 'S'});
  EXPECT_EQ(Form->Clicked, (std::vector<String>{"HelpItem", "CopyItem", "SaveItem", "HelpItem"}));
}

// A shortcut handler that frees its own item ends the dispatch: the new
// item with the same shortcut is not clicked as well.
TEST_F(MenuForm, AShortcutHandlerMayRebuildItsOwnMenu) {
  Form->SaveItem->OnClick = TNotifyEvent::Of<&TMenuForm::RebuildClick>(Form);
  Press({VK_CONTROL, 'S'});
  EXPECT_EQ(Form->Clicked, std::vector<String>{"SaveItem"});
  EXPECT_EQ(Form->FileMenu->Count(), 2);  // Help and the new item
}

TEST_F(MenuForm, AMenuServesOneFormAndGoesWithIt) {
  TForm* other = NewForm<TForm>(Application);
  EXPECT_RAISES(EInvalidOperation, other->SetMenu(Form->MainMenu1),
                "Menu 'MainMenu1' is already being used by another form");
  // A main menu made for a form without one becomes its menu bar.
  auto* own = new TMainMenu(other);
  EXPECT_EQ(other->Menu(), own);
  EXPECT_EQ(GetMenu(other->Handle()), own->Handle());
  delete other;
  HMENU menu = Form->MainMenu1->Handle(), sub = Form->FileMenu->Handle();
  delete Form;
  Form = nullptr;
  EXPECT_FALSE(IsMenu(menu) || IsMenu(sub));
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
  Items() : Menu(new TMainMenu(nullptr)), Root(Menu->Items()) {}
  ~Items() override { delete Menu; }
  TMenuItem* Add(TMenuItem* parent, std::uint8_t group, const char* caption = "x") {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    item->SetGroupIndex(group);
    parent->Add(item);
    return item;
  }
  std::vector<String> Captions() {
    std::vector<String> captions;
    for (int i = 0; i < GetMenuItemCount(Root->Handle()); ++i) captions.push_back(MenuText(Root->Handle(), i));
    return captions;
  }
  TMainMenu* Menu;
  TMenuItem* Root;
};

TEST_F(Items, InsertingRefusesBadRequestsAndKeepsTheTrees) {
  TMenuItem* a = Add(Root, 0);
  TMenuItem* b = Add(a, 0);
  EXPECT_RAISES(EMenuError, Root->Add(b), "Menu inserted twice");
  EXPECT_RAISES(EMenuError, b->Add(Root), "Menu inserted twice");  // a cycle
  EXPECT_RAISES(EMenuError, Root->Delete(5), "Menu index out of range");
  EXPECT_RAISES(EMenuError, b->Items(0), "Menu index out of range");
  TMenuItem loose(nullptr);
  EXPECT_RAISES(EMenuError, Root->Remove(&loose), "Sub-menu is not in menu");
  EXPECT_EQ((std::vector<int>{Root->Count(), a->Count()}), (std::vector<int>{1, 1}));
  EXPECT_EQ(b->Parent(), a);
}

TEST_F(Items, GroupIndexesStayInOrderAndCheckingARadioItemUnchecksItsGroupOnly) {
  Add(Root, 3);
  EXPECT_EQ(Add(Root, 1)->GroupIndex(), 3);  // takes the group of the item before it
  auto* first = new TMenuItem(nullptr);
  first->SetGroupIndex(5);
  Root->Insert(0, first);
  EXPECT_EQ(Root->Items(1)->GroupIndex(), 5);  // raised to the inserted item's group
  EXPECT_RAISES(EMenuError, Root->Items(2)->SetGroupIndex(4),
                "GroupIndex cannot be less than a previous menu item's GroupIndex");
  TMainMenu radio(nullptr);
  std::vector<TMenuItem*> items;
  for (std::uint8_t group : {1, 1, 2, 2}) {
    items.push_back(Add(radio.Items(), group));
    items.back()->SetRadioItem(true);
  }
  for (int i : {0, 2, 1}) items[i]->SetChecked(true);
  EXPECT_EQ((std::vector<bool>{items[0]->Checked(), items[1]->Checked(), items[2]->Checked()}),
            (std::vector<bool>{false, true, true}));
}

TEST_F(Items, MergedGroupsReplaceOwnOnesOfTheSameIndex) {
  TMainMenu other(nullptr);
  Add(Root, 0, "own0");
  Add(Root, 2, "own2");
  Add(other.Items(), 1, "merged1");
  Add(other.Items(), 2, "merged2");
  Menu->Merge(&other);
  EXPECT_EQ(Captions(), (std::vector<String>{"own0", "merged1", "merged2"}));
  Menu->Unmerge(&other);
  EXPECT_EQ(Captions(), (std::vector<String>{"own0", "own2"}));
}

TEST_F(Items, CommandNumbersAreReusedAndMenuHandlesFreed) {
  auto* item = new TMenuItem(nullptr);
  const std::uint16_t command = item->Command();
  delete item;
  item = new TMenuItem(nullptr);
  EXPECT_EQ(item->Command(), command);
  delete item;
  // Rebuilding keeps the menu; destroying a tree frees all of its menus.
  TMenuItem* file = Add(Root, 0, "File");
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

// Freeing a menu frees every platform menu of its tree, those not shown too
// (a hidden item's, an item's that lost its last sub-item), and leaves the
// submenus of a merged menu to that menu.
TEST_F(Items, FreeingAMenuFreesEveryMenuOfItsTreeAndNoOther) {
  const std::function<void(TMenuItem*, TMenuItem*)> changes[] = {
      [](TMenuItem*, TMenuItem*) {},
      [](TMenuItem* file, TMenuItem*) { file->SetVisible(false); },
      [](TMenuItem*, TMenuItem* open) { delete open; },
  };
  for (const auto& change : changes) {
    auto* menu = new TMainMenu(nullptr);
    TMenuItem* file = Add(menu->Items(), 0, "File");
    TMenuItem* open = Add(file, 0, "Open");
    const HMENU handles[] = {menu->Handle(), file->Handle()};
    change(file, open);
    delete menu;
    for (HMENU h : handles) EXPECT_FALSE(IsMenu(h));
  }
  TMainMenu other(nullptr);
  TMenuItem* edit = Add(other.Items(), 1, "Edit");
  Add(edit, 1, "Copy");
  Menu->Merge(&other);
  Menu->Handle();
  const HMENU editMenu = edit->Handle();
  delete Menu;
  Menu = nullptr;
  EXPECT_TRUE(IsMenu(editMenu));
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
