#include "Menus.h"

#include <algorithm>
#include <vector>

#include "Application.h"
#include "Reader.h"
#include "Registry.h"
#include "Runtime.h"
#include "Screen.h"

namespace {
constexpr const char* MenuBreakNames[] = {"mbNone", "mbBreak", "mbBarBreak"};
constexpr const char* PopupAlignmentNames[] = {"paLeft", "paRight", "paCenter"};
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
constinit const TTypeInfo ByteTypeInfo = IntegerType("Byte", otUByte, 0, 255);

bool OldMenuApi() { return LOBYTE(LOWORD(GetVersion())) < 4; }

// The 18 key names, in the order of their string identifiers.
String KeyNames[18];
String& KeyName(TResId id) { return KeyNames[static_cast<int>(id) - static_cast<int>(TResId::KeyBackspace)]; }

TBits& CommandPool() {
  static TBits pool;
  return pool;
}

std::uint16_t NewCommand() {
  const int command = CommandPool().FirstClearBit();
  CommandPool().SetBits(command, true);
  return static_cast<std::uint16_t>(command);
}

bool SameText(const String& a, const String& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

constinit const TTypeInfo ShortCutTypeInfo = IntegerType("TShortCut", otUWord, 0, 65535);
constinit const TTypeInfo MenuBreakTypeInfo = EnumType("TMenuBreak", MenuBreakNames);
constinit const TTypeInfo PopupAlignmentTypeInfo = EnumType("TPopupAlignment", PopupAlignmentNames);

// --- Shortcuts ----------------------------------------------------------------------------------

TShortCut ShortCut(std::uint16_t key, TShiftState shift) {
  TShortCut result = key & 0xFF;
  if (shift & ssShift) result |= scShift;
  if (shift & ssCtrl) result |= scCtrl;
  if (shift & ssAlt) result |= scAlt;
  return result;
}

namespace {
String KeyText(unsigned key) {
  switch (key) {
    case VK_BACK: return KeyName(TResId::KeyBackspace);
    case VK_TAB: return KeyName(TResId::KeyTab);
    case VK_RETURN: return KeyName(TResId::KeyEnter);
    case VK_ESCAPE: return KeyName(TResId::KeyEscape);
    case VK_INSERT: return KeyName(TResId::KeyInsert);
    case VK_DELETE: return KeyName(TResId::KeyDelete);
    default: break;
  }
  if (key >= VK_SPACE && key <= VK_DOWN) return KeyNames[static_cast<int>(TResId::KeySpace) - 61575 + key - VK_SPACE];
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return String(1, static_cast<char>(key));
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return String(1, static_cast<char>(key - 48));
  if (key >= VK_F1 && key <= VK_F24) return "F" + std::to_string(key - 111);
  // Any other key: the platform's name, when it is one character.
  if (const UINT scan = MapVirtualKeyA(key, 0)) {
    char name[256];
    if (GetKeyNameTextA(static_cast<LONG>(scan << 16), name, sizeof name) == 1) return String(1, name[0]);
  }
  return String();
}
}  // namespace

String ShortCutToText(TShortCut shortCut) {
  const String key = KeyText(shortCut & 0xFF);
  if (key.empty()) return key;
  String text;
  if (shortCut & scShift) text += KeyName(TResId::KeyShift);
  if (shortCut & scCtrl) text += KeyName(TResId::KeyCtrl);
  if (shortCut & scAlt) text += KeyName(TResId::KeyAlt);
  return text + key;
}

TShortCut TextToShortCut(const String& text) {
  TShortCut modifiers = 0;
  String rest = text;
  auto strip = [&](const String& prefix) {
    if (rest.size() < prefix.size() || !SameText(rest.substr(0, prefix.size()), prefix)) return false;
    rest.erase(0, prefix.size());
    return true;
  };
  for (;;) {
    if (strip(KeyName(TResId::KeyShift)))
      modifiers |= scShift;
    else if (strip("^") || strip(KeyName(TResId::KeyCtrl)))
      modifiers |= scCtrl;
    else if (strip(KeyName(TResId::KeyAlt)))
      modifiers |= scAlt;
    else
      break;
  }
  if (rest.empty()) return 0;
  for (unsigned code = 8; code <= 597; ++code)
    if (SameText(ShortCutToText(static_cast<TShortCut>(code)), rest))
      return static_cast<TShortCut>(modifiers | code);
  return 0;
}

// --- Menu items ---------------------------------------------------------------------------------

template <>
struct TClassTables<TMenuItem> {
  using I = TMenuItem;
  static constexpr TPropInfo Props[] = {
      Prop<&I::Break, &I::SetBreak>("Break", MenuBreakTypeInfo).Default(mbNone),
      Prop<&I::Caption, &I::SetCaption>("Caption", StringTypeInfo),
      Prop<&I::Checked, &I::SetChecked>("Checked", BooleanTypeInfo).Default(0),
      Prop<&I::Default, &I::SetDefault>("Default", BooleanTypeInfo).Default(0),
      Prop<&I::Enabled, &I::SetEnabled>("Enabled", BooleanTypeInfo).Default(1),
      Prop<&I::GroupIndex, &I::SetGroupIndex>("GroupIndex", ByteTypeInfo).Default(0),
      Prop<&I::HelpContext, &I::SetHelpContext>("HelpContext", IntegerTypeInfo).Default(0),
      Prop<&I::Hint, &I::SetHint>("Hint", StringTypeInfo),
      Prop<&I::RadioItem, &I::SetRadioItem>("RadioItem", BooleanTypeInfo).Default(0),
      Prop<&I::ShortCutValue, &I::SetShortCut>("ShortCut", ShortCutTypeInfo).Default(0),
      Prop<&I::Visible, &I::SetVisible>("Visible", BooleanTypeInfo).Default(1),
      Prop<&I::OnClick>("OnClick", NotifyEventTypeInfo),
  };
};
SONDREL_PUBLISHED_CLASS(TMenuItem, TComponent, "Menus",
                        {.Props = TClassTables<TMenuItem>::Props, .Create = &NewComponent<TMenuItem>});

namespace {
// A shortcut walk in progress: the menu and the items it has yet to click or
// read, each cleared when freed.
struct TMenuWatch {
  explicit TMenuWatch(TMenu* menu) : Menu(menu), Outer(Innermost) { Innermost = this; }
  ~TMenuWatch() { Innermost = Outer; }
  TMenuWatch(const TMenuWatch&) = delete;
  TMenuWatch& operator=(const TMenuWatch&) = delete;

  // Clears `gone` from every walk in progress.
  static void Forget(const TComponent* gone) {
    for (TMenuWatch* w = Innermost; w; w = w->Outer) {
      if (w->Menu == gone) w->Menu = nullptr;
      for (TMenuItem*& item : w->Chain)
        if (item == gone) item = nullptr;
    }
  }

  TMenu* Menu;
  std::vector<TMenuItem*> Chain;
  TMenuWatch* Outer;
  static inline TMenuWatch* Innermost = nullptr;
};
}  // namespace

TMenuItem::TMenuItem(const TOwner& owner) : TComponent(owner), FCommand(NewCommand()) {}

TMenuItem::~TMenuItem() {
  TMenuWatch::Forget(this);
  if (FParent) FParent->Remove(this);
  FMerged = nullptr;
  DestroyHandle();
  while (Count() > 0) delete Items(0);  // each frees its own menu
  FItems.reset();
  if (FCommand != 0) CommandPool().SetBits(FCommand, false);
}

// Every item frees the menu it made itself. Its entries are taken out first:
// the submenus they show belong to sub-items or to a merged item, and some
// submenus are not shown at all (a hidden item's, an emptied item's), so
// destroying them along with this menu would free some twice and others never.
void TMenuItem::DestroyHandle() {
  if (!FHandle) return;
  while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
  DestroyMenu(FHandle);
  FHandle = nullptr;
}

TMenuItem* TMenuItem::Items(int index) const {
  if (!FItems) throw EMenuError(TResId::MenuIndexOutOfRange);
  return static_cast<TMenuItem*>(FItems->Items(index));
}

// Items before `position` may not have a larger group index; items from
// `position` on that have a smaller one are raised to it.
void TMenuItem::CheckGroupOrder(int position, std::uint8_t value) {
  for (int i = 0; i < position; ++i)
    if (Items(i)->FGroupIndex > value) throw EMenuError(TResId::GroupIndexTooLow);
  for (int i = position; i < Count(); ++i)
    if (Items(i)->FGroupIndex < value) Items(i)->FGroupIndex = value;
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item->FParent) throw EMenuError(TResId::MenuInsertedTwice);
  if (index < 0 || index > Count()) throw EListError(TResId::ListIndexOutOfBounds);
  for (const TMenuItem* p = this; p; p = p->FParent)
    if (p == item) throw EMenuError(TResId::MenuInsertedTwice);  // an item cannot hold itself or a parent
  std::uint8_t group = item->FGroupIndex;
  if (index > 0 && group < Items(index - 1)->FGroupIndex) group = Items(index - 1)->FGroupIndex;
  CheckGroupOrder(index, group);
  item->FGroupIndex = group;
  if (!FItems) FItems = std::make_unique<TList>();
  FItems->Insert(index, item);
  item->FParent = this;
  item->FOnChange = TChangeEvent::Of<&TMenuItem::SubItemChanged>(this);
  if (FHandle) RebuildHandle();
  MenuChanged(true);
}

void TMenuItem::Delete(int index) {
  if (index < 0 || index >= Count()) throw EMenuError(TResId::MenuIndexOutOfRange);
  TMenuItem* item = Items(index);
  FItems->Delete(index);
  item->FParent = nullptr;
  item->FOnChange = {};
  if (FHandle) RebuildHandle();
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* item) {
  const int index = IndexOf(item);
  if (index < 0) throw EMenuError(TResId::SubMenuNotInMenu);
  Delete(index);
}

void TMenuItem::SetMenuIndex(int value) {
  if (!FParent) return;
  TMenuItem* parent = FParent;
  value = std::clamp(value, 0, parent->Count() - 1);
  if (value == MenuIndex()) return;
  parent->Remove(this);
  parent->Insert(value, this);
}

TComponent* TMenuItem::ParentComponent() const {
  if (FParent && FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::AttachToParent(TComponent* parent) {
  if (FParent) FParent->Remove(this);
  if (parent && parent->Is<TMenu>())
    static_cast<TMenu*>(parent)->Items()->Add(this);
  else if (parent && parent->Is<TMenuItem>())
    static_cast<TMenuItem*>(parent)->Add(this);
}

void TMenuItem::EnumChildren(const std::function<void(TComponent*)>& callback) {
  for (int i = 0; i < Count(); ++i) callback(Items(i));
}

void TMenuItem::MoveChild(TComponent* child, int position) {
  if (child->Is<TMenuItem>()) static_cast<TMenuItem*>(child)->SetMenuIndex(position);
}

void TMenuItem::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  filer.DeclareProperty("ShortCutText", TReaderProc::Of<&TMenuItem::ReadShortCutText>(this), {}, false);
}

void TMenuItem::ReadShortCutText(TReader& reader) { SetShortCut(TextToShortCut(reader.ReadText())); }

// --- Platform menus -----------------------------------------------------------------------------

HMENU TMenuItem::Handle() {
  if (FHandle) return FHandle;
  FHandle = Owner() && Owner()->Is<TPopupMenu>() ? CreatePopupMenu() : CreateMenu();
  if (!FHandle) throw EMenuError(TResId::OutOfSystemResources);
  Populate(FHandle);
  return FHandle;
}

bool TMenuItem::WalkMerged(const std::function<bool(TMenuItem*)>& visit) {
  const TMenuItem* merged = FMerged;
  int own = 0, other = 0;
  const int ownCount = Count(), otherCount = merged ? merged->Count() : 0;
  while (own < ownCount || other < otherCount) {
    const int ownGroup = own < ownCount ? Items(own)->FGroupIndex : 255;
    const int otherGroup = other < otherCount ? merged->Items(other)->FGroupIndex : 255;
    // The merged item wins a group both have.
    const bool fromOwn = ownGroup < otherGroup || other >= otherCount;
    const int group = fromOwn ? ownGroup : otherGroup;
    const TMenuItem* source = fromOwn ? this : merged;
    for (int i = fromOwn ? own : other; i < source->Count() && source->Items(i)->FGroupIndex <= group; ++i)
      if (!visit(source->Items(i))) return false;
    while (own < ownCount && Items(own)->FGroupIndex <= group) ++own;
    while (other < otherCount && merged->Items(other)->FGroupIndex <= group) ++other;
  }
  return true;
}

void TMenuItem::Populate(HMENU menu) {
  const bool topOfMainMenu = FMenu && FMenu->Is<TMainMenu>();
  WalkMerged([&](TMenuItem* item) {
    item->AppendTo(menu, topOfMainMenu);
    return true;
  });
}

void TMenuItem::AppendTo(HMENU menu, bool topOfMainMenu) {
  if (!FVisible) return;
  String text = FCaption;
  if (Count() == 0 && FShortCut && !topOfMainMenu) text += "\t" + ShortCutToText(FShortCut);
  const UINT breakFlags = FBreak == mbBreak ? MF_MENUBREAK : FBreak == mbBarBreak ? MF_MENUBARBREAK : 0;
  if (OldMenuApi()) {
    UINT flags = breakFlags | MF_BYPOSITION | (FChecked ? MF_CHECKED : 0) | (FEnabled ? 0 : MF_DISABLED | MF_GRAYED);
    if (FCaption == "-") flags |= MF_SEPARATOR;
    if (Count() > 0)
      InsertMenuA(menu, static_cast<UINT>(-1), flags | MF_POPUP, reinterpret_cast<UINT_PTR>(Handle()),
                  FCaption.c_str());
    else
      InsertMenuA(menu, static_cast<UINT>(-1), flags, FCommand, text.c_str());
    return;
  }
  MENUITEMINFOA info{};
  info.cbSize = 44;  // without the item bitmap
  info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_TYPE | MIIM_DATA;
  info.fType = (FRadioItem ? MFT_RADIOCHECK : 0) | breakFlags | (FCaption == "-" ? MFT_SEPARATOR : MFT_STRING);
  info.fState = (FChecked ? MFS_CHECKED : 0) | (FEnabled ? 0 : MFS_GRAYED) | (FDefault ? MFS_DEFAULT : 0);
  info.wID = FCommand;
  info.hSubMenu = Count() > 0 ? Handle() : nullptr;
  info.dwTypeData = text.data();
  InsertMenuItemA(menu, static_cast<UINT>(-1), TRUE, &info);
}

void TMenuItem::RebuildHandle() {
  while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
  Populate(FHandle);
  MenuChanged(false);
}

void TMenuItem::SetMerged(TMenuItem* item) {
  if (item == FMerged) return;
  FMerged = item;
  if (FHandle) RebuildHandle();
}

void TMenuItem::MenuChanged(bool rebuild) {
  if (FOnChange.Assigned()) FOnChange(this, rebuild);
}

void TMenuItem::SubItemChanged(TMenuItem*, bool rebuild) {
  if (rebuild && FHandle)
    RebuildHandle();  // reports upward itself
  else
    MenuChanged(false);
}

void TMenuItem::Click() {
  if (FEnabled && OnClick.Assigned()) OnClick(this);
}

// --- Item properties ----------------------------------------------------------------------------

void TMenuItem::SetCaption(const String& value) {
  if (value == FCaption) return;
  FCaption = value;
  MenuChanged(true);
}

void TMenuItem::SetBreak(TMenuBreak value) {
  if (value == FBreak) return;
  FBreak = value;
  MenuChanged(true);
}

void TMenuItem::SetRadioItem(bool value) {
  if (value == FRadioItem) return;
  FRadioItem = value;
  MenuChanged(true);
}

void TMenuItem::SetShortCut(TShortCut value) {
  FShortCut = value;
  MenuChanged(true);
}

void TMenuItem::SetVisible(bool value) {
  FVisible = value;
  MenuChanged(true);
}

void TMenuItem::SetChecked(bool value) {
  if (value == FChecked) return;
  if (value && FRadioItem && FGroupIndex != 0 && FParent)
    for (int i = 0; i < FParent->Count(); ++i)
      if (TMenuItem* sibling = FParent->Items(i);
          sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex)
        sibling->SetChecked(false);
  FChecked = value;
  if (FParent && FParent->FHandle)
    CheckMenuItem(FParent->FHandle, FCommand, MF_BYCOMMAND | (value ? MF_CHECKED : MF_UNCHECKED));
}

void TMenuItem::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  if (Win32Platform() == VER_PLATFORM_WIN32_NT && Count() > 0) {
    MenuChanged(true);
    return;
  }
  if (FParent && FParent->FHandle)
    EnableMenuItem(FParent->FHandle, FCommand, MF_BYCOMMAND | (value ? MF_ENABLED : MF_DISABLED | MF_GRAYED));
  MenuChanged(false);
}

void TMenuItem::SetDefault(bool value) {
  if (value == FDefault) return;
  if (value && FParent)
    for (int i = 0; i < FParent->Count(); ++i) FParent->Items(i)->FDefault = false;
  FDefault = value;
  MenuChanged(true);
}

void TMenuItem::SetGroupIndex(std::uint8_t value) {
  if (value == FGroupIndex) return;
  if (FParent) FParent->CheckGroupOrder(MenuIndex(), value);
  FGroupIndex = value;
}

// --- Menus --------------------------------------------------------------------------------------

template <>
struct TClassTables<TMenu> {
  static constexpr TPropInfo Props[] = {Prop<&TMenu::Items, nullptr>("Items", ClassTypeInfo<TMenuItem>)};
};
SONDREL_PUBLISHED_CLASS(TMenu, TComponent, "Menus", {.Props = TClassTables<TMenu>::Props});

TMenu::TMenu(const TOwner& owner) : TComponent(owner), FItems(new TMenuItem(this)) {
  FItems->FOnChange = TMenuItem::TChangeEvent::Of<&TMenu::MenuChanged>(this);
  FItems->FMenu = this;
}

TMenu::~TMenu() {
  TMenuWatch::Forget(this);
  delete FItems;
}

void TMenu::MenuChanged(TMenuItem*, bool) {}

void TMenu::SetWindowHandle(HWND window) {
  FWindowHandle = window;
  UpdateImage();
}

void TMenu::EnumChildren(const std::function<void(TComponent*)>& callback) { FItems->EnumChildren(callback); }
void TMenu::MoveChild(TComponent* child, int position) { FItems->MoveChild(child, position); }

TMenuItem* TMenu::FindItem(unsigned value, TFindItemKind kind) {
  TMenuItem* found = nullptr;
  std::function<bool(TMenuItem*)> visit = [&](TMenuItem* item) {
    const bool hit = kind == fkCommand    ? item->FCommand == value
                     : kind == fkHandle  ? reinterpret_cast<std::uintptr_t>(item->FHandle) == value && item->FHandle
                                         : item->FShortCut == value && value != 0;
    if (hit) {
      found = item;
      return false;
    }
    return item->WalkMerged(visit);  // depth first
  };
  FItems->WalkMerged(visit);
  return found;
}

bool TMenu::DispatchCommand(unsigned command) {
  TMenuItem* item = FindItem(command, fkCommand);
  if (item) item->Click();
  return item != nullptr;
}

bool TMenu::DispatchPopup(HMENU menu) {
  TMenuItem* item = FindItem(static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(menu)), fkHandle);
  if (item) item->Click();
  return item != nullptr;
}

int TMenu::HelpContextFor(unsigned value, bool byHandle) {
  for (TMenuItem* item = FindItem(value, byHandle ? fkHandle : fkCommand); item; item = item->FParent)
    if (item->FHelpContext) return item->FHelpContext;
  return 0;
}

bool TMenu::IsShortCut(TMessage& keyMessage) {
  if (!FWindowHandle) return false;
  TShortCut shortCut = static_cast<TShortCut>(keyMessage.WParam & 0xFF);
  if (GetKeyState(VK_SHIFT) < 0) shortCut |= scShift;
  if (GetKeyState(VK_CONTROL) < 0) shortCut |= scCtrl;
  if (AltHeld(keyMessage.LParam)) shortCut |= scAlt;
  bool found = false;
  for (TMenuItem* item; (item = FindItem(shortCut, fkShortCut));) {
    found = true;
    // Clicked along its parent chain from the root down; a disabled level ends
    // it. A handler may free any level, the whole menu with them (a menu
    // rebuilt in its own command): the watch clears what goes, and nothing
    // freed is read again.
    TMenuWatch watch(this);
    for (TMenuItem* p = item; p && p != FItems; p = p->FParent)
      watch.Chain.insert(watch.Chain.begin(), p);
    bool again = false;
    for (TMenuItem*& level : watch.Chain) {
      if (!level || !level->FEnabled) return true;
      try {
        level->Click();
      } catch (...) {
        Application->HandleException(watch.Menu);
      }
      const TMenuItem* clicked = watch.Chain.back();
      if (!clicked || !watch.Menu) return true;
      if (clicked->FShortCut != shortCut) {
        again = true;
        break;
      }
    }
    if (!again) break;
  }
  return found;
}

bool TMenu::UpdateImage() {
  String image;
  if (FWindowHandle) {
    HMENU menu = Handle();
    for (int i = 0, n = GetMenuItemCount(menu); i < n && image.size() < 512; ++i) {
      char text[256] = "";
      GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
      const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
      image += text;
      if (state & MF_DISABLED) image += '$';
      if (state & MF_MENUBREAK) image += '@';
      if (state & MF_GRAYED) image += '#';
      image += ';';
    }
    if (image.size() > 512) image.resize(512);
  }
  if (image == FMenuImage) return false;
  FMenuImage = image;
  return true;
}

template <>
struct TClassTables<TMainMenu> {
  static constexpr TPropInfo Props[] = {
      Prop<&TMainMenu::GetAutoMerge, &TMainMenu::SetAutoMerge>("AutoMerge", BooleanTypeInfo).Default(0)};
};
SONDREL_PUBLISHED_CLASS(TMainMenu, TMenu, "Menus",
                        {.Props = TClassTables<TMainMenu>::Props, .Create = &NewComponent<TMainMenu>});

void TMainMenu::SetAutoMerge(bool value) {
  if (value == FAutoMerge) return;
  FAutoMerge = value;
  if (WindowHandle()) SendMessageA(WindowHandle(), XM_MENU_CHANGED, 0, 0);
}

void TMainMenu::MenuChanged(TMenuItem*, bool) {
  if (!WindowHandle()) return;
  if (UpdateImage()) DrawMenuBar(WindowHandle());
  SendMessageA(WindowHandle(), XM_MENU_CHANGED, 0, 0);
}

void TMainMenu::Merge(IMainMenu* other) {
  auto* menu = other ? static_cast<TMainMenu*>(other) : nullptr;
  Items()->SetMerged(menu ? menu->Items() : nullptr);
}

void TMainMenu::Unmerge(IMainMenu* other) {
  auto* menu = other ? static_cast<TMainMenu*>(other) : nullptr;
  if (menu && Items()->Merged() == menu->Items()) Items()->SetMerged(nullptr);
}

bool TMainMenu::ItemHint(unsigned value, bool byHandle, String& hint) {
  TMenuItem* item = FindItem(value, byHandle ? fkHandle : fkCommand);
  if (item) hint = item->Hint();
  return item != nullptr;
}

// --- Pop-up menus and their window --------------------------------------------------------------

namespace {

struct TPopupList {
  TList Menus;
  HWND Window = nullptr;

  TPopupMenu* At(int i) const { return static_cast<TPopupMenu*>(Menus.Items(i)); }

  void Handle(TMessage& message) {
    try {
      switch (message.Msg) {
        case WM_COMMAND:
          for (int i = 0; i < Menus.Count(); ++i)
            if (At(i)->DispatchCommand(LOWORD(message.WParam))) return;
          break;
        case WM_INITMENUPOPUP:
          for (int i = 0; i < Menus.Count(); ++i)
            if (At(i)->DispatchPopup(reinterpret_cast<HMENU>(message.WParam))) return;
          break;
        case WM_MENUSELECT: {
          const bool byHandle = HIWORD(message.WParam) & MF_POPUP;
          unsigned value = LOWORD(message.WParam);
          if (byHandle)
            value = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(
                GetSubMenu(reinterpret_cast<HMENU>(message.LParam), LOWORD(message.WParam))));
          String hint;
          for (int i = 0; i < Menus.Count(); ++i)
            if (TMenuItem* item = At(i)->FindItem(value, byHandle ? fkHandle : fkCommand)) {
              hint = item->Hint();
              break;
            }
          Application->SetHint(hint);
          break;
        }
        case WM_HELP: {
          const auto* info = reinterpret_cast<const HELPINFO*>(message.LParam);
          for (int i = 0; i < Menus.Count(); ++i) {
            if (At(i)->Handle() != info->hItemHandle) continue;
            int context = At(i)->HelpContextFor(static_cast<unsigned>(info->iCtrlId), false);
            if (!context)
              context = At(i)->HelpContextFor(static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(info->hItemHandle)),
                                              true);
            TForm* form = Screen->ActiveForm();
            if (!form) return;
            if (form->BorderIcons() & (1 << biHelp))
              Application->HelpCommand(HELP_CONTEXTPOPUP, context);
            else
              Application->HelpContext(context);
            return;
          }
          break;
        }
        default:
          message.Result = DefWindowProcA(Window, message.Msg, message.WParam, message.LParam);
          break;
      }
    } catch (...) {
      Application->HandleException(nullptr);
    }
  }

  void Add(TPopupMenu* menu) {
    if (Menus.Count() == 0) Window = AllocateUtilityWindow(TEvent<TMessage&>::Of<&TPopupList::Handle>(this));
    Menus.Add(menu);
  }

  void Remove(TPopupMenu* menu) {
    Menus.Remove(menu);
    if (Menus.Count() == 0 && Window) {
      DeallocateUtilityWindow(Window);
      Window = nullptr;
    }
  }
};

TPopupList& PopupList() {
  static TPopupList list;
  return list;
}

}  // namespace

int PopupMenuCount() { return PopupList().Menus.Count(); }
HWND PopupListWindow() { return PopupList().Window; }

template <>
struct TClassTables<TPopupMenu> {
  using P = TPopupMenu;
  static constexpr TPropInfo Props[] = {
      Prop<&P::Alignment, &P::SetAlignment>("Alignment", PopupAlignmentTypeInfo).Default(paLeft),
      Prop<&P::GetAutoPopup, &P::SetAutoPopup>("AutoPopup", BooleanTypeInfo).Default(1),
      Prop<&P::HelpContext, &P::SetHelpContext>("HelpContext", IntegerTypeInfo).Default(0),
      Prop<&P::OnPopup>("OnPopup", NotifyEventTypeInfo),
  };
};
SONDREL_PUBLISHED_CLASS(TPopupMenu, TMenu, "Menus",
                        {.Props = TClassTables<TPopupMenu>::Props, .Create = &NewComponent<TPopupMenu>});

TPopupMenu::TPopupMenu(const TOwner& owner) : TMenu(owner) {
  Items()->OnClick = TNotifyEvent::Of<&TPopupMenu::DoPopup>(this);
  TMenu::SetWindowHandle(Application ? Application->Handle() : nullptr);
  PopupList().Add(this);
}

TPopupMenu::~TPopupMenu() { PopupList().Remove(this); }

void TPopupMenu::DoPopup(TObject*) {
  if (OnPopup.Assigned()) OnPopup(this);
}

void TPopupMenu::Popup(int x, int y) {
  DoPopup(this);
  static constexpr UINT Flags[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
  TrackPopupMenu(Items()->Handle(), Flags[FAlignment] | TPM_RIGHTBUTTON, x, y, 0, PopupListWindow(), nullptr);
}

// --- Start-up -----------------------------------------------------------------------------------

void InitMenus() {
  if (!KeyNames[0].empty()) return;
  for (int id = 61575; id <= 61592; ++id) KeyNames[id - 61575] = LoadResString(static_cast<TResId>(id));
  RegisterClassChain(TMenuItem::StaticClass());
  PopupMenuTypeInfo.ClassType = TPopupMenu::StaticClass();
  MainMenuTypeInfo.ClassType = TMainMenu::StaticClass();
  MenuItemTypeInfo.ClassType = TMenuItem::StaticClass();
}
