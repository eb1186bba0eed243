// Menus: trees of menu items declared in form definitions, turned into
// platform menus when a handle is first needed and rebuilt on change; unique
// command numbers; shortcuts and their text; command and shortcut dispatch;
// merging of two trees by group index; the window that receives the
// messages of pop-up menus.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "Forms.h"

using TShortCut = std::uint16_t;  // key code; 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt
enum TMenuBreak : std::uint8_t { mbNone, mbBreak, mbBarBreak };
enum TPopupAlignment : std::uint8_t { paLeft, paRight, paCenter };
enum TFindItemKind : std::uint8_t { fkCommand, fkHandle, fkShortCut };

extern const TTypeInfo ShortCutTypeInfo, MenuBreakTypeInfo, PopupAlignmentTypeInfo;

String ShortCutToText(TShortCut shortCut);
// 0 for an unknown key name or modifiers alone.
TShortCut TextToShortCut(const String& text);
TShortCut ShortCut(std::uint16_t key, TShiftState shift);

class TMenu;

class TMenuItem : public TComponent, public IMenuItem {
  SONDREL_CLASS(TMenuItem)

 public:
  using TChangeEvent = TEvent<TMenuItem*, bool>;

  explicit TMenuItem(const TOwner& owner);
  ~TMenuItem() override;

  int Count() const { return FItems ? FItems->Count() : 0; }
  TMenuItem* Items(int index) const;
  int IndexOf(const TMenuItem* item) const { return FItems ? FItems->IndexOf(const_cast<TMenuItem*>(item)) : -1; }
  void Insert(int index, TMenuItem* item);
  void Add(TMenuItem* item) { Insert(Count(), item); }
  void Delete(int index);
  void Remove(TMenuItem* item);
  int MenuIndex() const { return FParent ? FParent->IndexOf(this) : -1; }
  void SetMenuIndex(int value);
  TMenuItem* Parent() const { return FParent; }
  TMenu* Menu() const { return FMenu; }
  // The item's submenu, created (and populated) on first use.
  HMENU Handle() override;
  bool HandleAllocated() const { return FHandle != nullptr; }
  std::uint16_t Command() const { return FCommand; }

  const String& Caption() const { return FCaption; }
  void SetCaption(const String& value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value) override;
  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  std::uint8_t GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(std::uint8_t value);
  TMenuBreak Break() const { return FBreak; }
  void SetBreak(TMenuBreak value);
  std::int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(std::int32_t value) { FHelpContext = value; }
  const String& Hint() const { return FHint; }
  void SetHint(const String& value) { FHint = value; }
  TShortCut ShortCutValue() const { return FShortCut; }
  void SetShortCut(TShortCut value);
  // Another item whose sub-items are shown in this item's submenu.
  TMenuItem* Merged() const { return FMerged; }
  void SetMerged(TMenuItem* item);

  virtual void MenuChanged(bool rebuild);
  virtual void Click();
  // Calls `visit` for the sub-items of this item and of its merged item in
  // ascending GroupIndex (a group the merged item has replaces this one's)
  // until it returns false.
  bool WalkMerged(const std::function<bool(TMenuItem*)>& visit);

  void EnumChildren(const std::function<void(TComponent*)>& callback) override;
  void MoveChild(TComponent* child, int position) override;
  TComponent* ParentComponent() const override;
  bool HasParentComponent() const override { return true; }
  void AttachToParent(TComponent* parent) override;

  TNotifyEvent OnClick;

 protected:
  void DefineProperties(TFiler& filer) override;

 private:
  friend class TMenu;
  void SubItemChanged(TMenuItem* sender, bool rebuild);
  void RebuildHandle();
  void Populate(HMENU menu);
  void AppendTo(HMENU menu, bool topOfMainMenu);
  void DestroyHandle();
  void CheckGroupOrder(int position, std::uint8_t value);
  void ReadShortCutText(TReader& reader);

  String FCaption;
  HMENU FHandle = nullptr;
  bool FChecked = false, FEnabled = true, FDefault = false, FRadioItem = false, FVisible = true;
  std::uint8_t FGroupIndex = 0;
  TMenuBreak FBreak = mbNone;
  std::uint16_t FCommand = 0;
  std::int32_t FHelpContext = 0;
  String FHint;
  std::unique_ptr<TList> FItems;
  TShortCut FShortCut = 0;
  TMenuItem* FParent = nullptr;
  TMenuItem* FMerged = nullptr;
  TMenu* FMenu = nullptr;
  TChangeEvent FOnChange;
};

class TMenu : public TComponent {
  SONDREL_CLASS(TMenu)

 public:
  explicit TMenu(const TOwner& owner);
  ~TMenu() override;

  TMenuItem* Items() const { return FItems; }
  virtual HMENU Handle() { return FItems->Handle(); }
  HWND WindowHandle() const { return FWindowHandle; }
  void SetWindowHandle(HWND window);
  TMenuItem* FindItem(unsigned value, TFindItemKind kind);
  bool DispatchCommand(unsigned command);
  bool DispatchPopup(HMENU menu);
  int HelpContextFor(unsigned value, bool byHandle);
  // Clicks the item with the key message's shortcut (and its parents).
  bool IsShortCut(TMessage& keyMessage);
  virtual void MenuChanged(TMenuItem* sender, bool rebuild);

  void EnumChildren(const std::function<void(TComponent*)>& callback) override;
  void MoveChild(TComponent* child, int position) override;

 protected:
  // Renders the top-level entries into text; true when that changed.
  bool UpdateImage();

 private:
  TMenuItem* FItems;
  HWND FWindowHandle = nullptr;
  String FMenuImage;
};

class TMainMenu : public TMenu, public IMainMenu {
  SONDREL_CLASS(TMainMenu)

 public:
  using TMenu::TMenu;

  HMENU Handle() override { return FMenuHandle ? FMenuHandle : TMenu::Handle(); }
  // A handle shown instead of the items' own (0: none).
  void SetMenuHandle(HMENU menu) { FMenuHandle = menu; }
  bool AutoMerge() override { return FAutoMerge; }
  bool GetAutoMerge() const { return FAutoMerge; }
  void SetAutoMerge(bool value);
  void Merge(IMainMenu* other) override;
  void Unmerge(IMainMenu* other) override;
  void MenuChanged(TMenuItem* sender, bool rebuild) override;

  // IMainMenu.
  TComponent* MenuComponent() override { return this; }
  void SetWindowHandle(HWND window) override { TMenu::SetWindowHandle(window); }
  bool IsShortCut(TMessage& keyMessage) override { return TMenu::IsShortCut(keyMessage); }
  bool DispatchCommand(unsigned command) override { return TMenu::DispatchCommand(command); }
  bool DispatchPopup(HMENU menu) override { return TMenu::DispatchPopup(menu); }
  bool ItemHint(unsigned value, bool byHandle, String& hint) override;
  int HelpContextFor(unsigned value, bool byHandle) override { return TMenu::HelpContextFor(value, byHandle); }

 private:
  HMENU FMenuHandle = nullptr;
  bool FAutoMerge = false;
};

class TPopupMenu : public TMenu, public IPopupMenu {
  SONDREL_CLASS(TPopupMenu)

 public:
  explicit TPopupMenu(const TOwner& owner);
  ~TPopupMenu() override;

  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment value) { FAlignment = value; }
  bool AutoPopup() override { return FAutoPopup; }
  bool GetAutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool value) { FAutoPopup = value; }
  std::int32_t HelpContext() const { return Items()->HelpContext(); }
  void SetHelpContext(std::int32_t value) { Items()->SetHelpContext(value); }
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* component) override { FPopupComponent = component; }
  virtual void Popup(int x, int y) override;
  bool IsShortCut(TMessage& keyMessage) override { return TMenu::IsShortCut(keyMessage); }

  TNotifyEvent OnPopup;

 private:
  void DoPopup(TObject* sender);

  TPopupAlignment FAlignment = paLeft;
  bool FAutoPopup = true;
  TComponent* FPopupComponent = nullptr;
};

// The live pop-up menus.
int PopupMenuCount();
// The hidden window that receives the pop-up menus' messages (0 without any).
HWND PopupListWindow();

// Starts the menus layer: TMenuItem registered, the key names loaded, the
// menu property types bound to these classes. Safe to call more than once.
void InitMenus();
