#include "Screen.h"

#include "Application.h"
#include "Density.h"
#include "Forms.h"

SONDREL_CLASS_RECORD(TScreen, TComponent, "Forms");

TScreen* Screen = nullptr;

namespace {

// Cursors -20 … -2 in loading order; resource identifiers of the program's
// own cursors, system identifiers of the others.
struct TCursorSource {
  TCursor Number;
  LPCSTR Id;
  bool Own;  // one of the program's cursors, else the platform's
};
const TCursorSource CursorSources[] = {
    {crHelp, MAKEINTRESOURCEA(32651), false},     {crAppStart, MAKEINTRESOURCEA(32650), false},
    {crNo, MAKEINTRESOURCEA(32648), false},       {crSQLWait, MAKEINTRESOURCEA(32762), true},
    {crMultiDrag, MAKEINTRESOURCEA(32763), true}, {crVSplit, MAKEINTRESOURCEA(32764), true},
    {crHSplit, MAKEINTRESOURCEA(32765), true},    {crNoDrop, MAKEINTRESOURCEA(32767), true},
    {crDrag, MAKEINTRESOURCEA(32766), true},      {crHourGlass, IDC_WAIT, false},
    {crUpArrow, IDC_UPARROW, false},              {crSizeWE, IDC_SIZEWE, false},
    {crSizeNWSE, IDC_SIZENWSE, false},            {crSizeNS, IDC_SIZENS, false},
    {crSizeNESW, IDC_SIZENESW, false},            {crSize, IDC_ARROW, false},
    {crIBeam, IDC_IBEAM, false},                  {crCross, IDC_CROSS, false},
    {crArrow, IDC_ARROW, false},
};

int CALLBACK AddFontName(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM list) {
  reinterpret_cast<TStringList*>(list)->Add(String(font->lfFaceName, strnlen(font->lfFaceName, 32)));
  return 1;
}

}  // namespace

TScreen::TScreen(const TOwner& owner) : TComponent(owner) {
  LoadCursors();
  CollectImeNames();
  HDC dc = GetDC(nullptr);
  FPixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
}

// The installed font families take a while to enumerate and most programs
// never ask: they are listed when first asked for.
TStringList* TScreen::Fonts() {
  if (FFonts) return FFonts.get();
  FFonts = std::make_unique<TStringList>();
  FFonts->SetSorted(true);
  FFonts->SetDuplicates(dupIgnore);
  HDC dc = GetDC(nullptr);
  if (LOBYTE(LOWORD(GetVersion())) < 4) {
    EnumFontsA(dc, nullptr, AddFontName, reinterpret_cast<LPARAM>(FFonts.get()));
  } else {
    LOGFONTA all{};
    all.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExA(dc, &all, reinterpret_cast<FONTENUMPROCA>(&AddFontName),
                        reinterpret_cast<LPARAM>(FFonts.get()), 0);
  }
  ReleaseDC(nullptr, dc);
  return FFonts.get();
}

TScreen::~TScreen() { DestroyCursors(); }

// --- Cursors ------------------------------------------------------------------------------------

// Each cursor costs the platform two bitmaps: the table's are loaded when
// first asked for (the node's handle stays 0 until then).
void TScreen::LoadCursors() {
  FDefaultCursor = LoadCursorA(nullptr, IDC_ARROW);
  for (const TCursorSource& s : CursorSources) FCursorList = new TCursorNode{FCursorList, s.Number, nullptr};
}

void TScreen::DestroyCursors() {
  while (FCursorList) {
    TCursorNode* node = FCursorList;
    FCursorList = node->Next;
    // Shared system cursors are not destroyed.
    if (node->Handle && ((node->Number >= crSQLWait && node->Number <= crDrag) || node->Number > 0))
      DestroyCursor(node->Handle);
    delete node;
  }
  if (FDefaultCursor != LoadCursorA(nullptr, IDC_ARROW)) DestroyCursor(FDefaultCursor);
}

HCURSOR TScreen::Cursors(int cursor) {
  if (cursor == crNone) return nullptr;
  for (TCursorNode* node = FCursorList; node; node = node->Next) {
    if (node->Number != cursor) continue;
    if (!node->Handle)
      for (const TCursorSource& s : CursorSources)
        if (s.Number == cursor) node->Handle = LoadCursorA(s.Own ? GetModuleHandleA(nullptr) : nullptr, s.Id);
    return node->Handle;
  }
  return FDefaultCursor;
}

void TScreen::SetCursors(int cursor, HCURSOR handle) {
  if (cursor == crDefault) {
    FDefaultCursor = handle ? handle : LoadCursorA(nullptr, IDC_ARROW);
    return;
  }
  FCursorList = new TCursorNode{FCursorList, cursor, handle};
}

void TScreen::SetCursor(TCursor cursor) {
  if (cursor == FCursor) return;
  FCursor = cursor;
  POINT p;
  GetCursorPos(&p);
  // The window under the mouse picks the new cursor up.
  if (HWND window = WindowFromPoint(p)) SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT);
}

// --- Input methods ------------------------------------------------------------------------------

void TScreen::CollectImeNames() {
  FImeNames = std::make_unique<TStringList>();
  FDefaultKeyboardLayout = GetKeyboardLayout(0);
  HKL layouts[64];
  const int count = GetKeyboardLayoutList(64, layouts);
  // Input methods exist only where the input-method library is loaded.
  HMODULE imm = GetSystemMetrics(SM_DBCSENABLED) ? GetModuleHandleA("IMM32.DLL") : nullptr;
  auto isIme = imm ? reinterpret_cast<BOOL(WINAPI*)(HKL)>(reinterpret_cast<void*>(GetProcAddress(imm, "ImmIsIME"))) : nullptr;
  for (int i = 0; isIme && i < count; ++i) {
    if (!isIme(layouts[i])) continue;
    const String key = Format("System\\CurrentControlSet\\Control\\Keyboard Layouts\\%.8x",
                              {static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(layouts[i]))});
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) continue;
    char text[256];
    DWORD size = sizeof text;
    if (RegQueryValueExA(handle, "layout text", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) ==
        ERROR_SUCCESS) {
      const String name(text, strnlen(text, sizeof text));
      FImeNames->AddObject(name, reinterpret_cast<TObject*>(layouts[i]));
      if (layouts[i] == FDefaultKeyboardLayout) FDefaultImeName = name;
    }
    RegCloseKey(handle);
  }
  FImeNames->SetDuplicates(dupIgnore);
  FImeNames->SetSorted(true);
}

// --- Forms and the focus ------------------------------------------------------------------------

void TScreen::AddForm(TForm* form) { FForms.Add(form); }

void TScreen::RemoveForm(TForm* form) {
  FForms.Remove(form);
  if (FForms.Count() == 0 && Application) Application->DestroyHintWindowHandle();
}

void TScreen::MoveFormToFront(TForm* form) {
  const int index = FForms.IndexOf(form);
  if (index <= 0) return;
  FForms.Delete(index);
  FForms.Insert(0, form);
}

void TScreen::NotifyChanges() {
  if (FActiveForm != FLastActiveForm) {
    FLastActiveForm = FActiveForm;
    if (OnActiveFormChange.Assigned()) OnActiveFormChange(this);
  }
  if (FActiveControl != FLastActiveControl) {
    FLastActiveControl = FActiveControl;
    if (OnActiveControlChange.Assigned()) OnActiveControlChange(this);
  }
}

void TScreen::ControlDestroyed(TControl* control) {
  if (FActiveControl == control) FActiveControl = nullptr;
  if (FActiveForm == control) FActiveForm = nullptr;
  if (FFocusedForm == control) FFocusedForm = nullptr;
  FSavedControls.Remove(control);
}

TComponent* TScreen::FindGlobalComponent(const String& name) const {
  auto same = [&](const TComponent* c) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, c->Name().c_str(), -1, name.c_str(), -1) ==
           CSTR_EQUAL;
  };
  for (int i = 0; i < FForms.Count(); ++i)
    if (same(Forms(i))) return Forms(i);
  for (int i = 0; i < FComponents.Count(); ++i)
    if (auto* c = static_cast<TComponent*>(FComponents.Items(i)); same(c)) return c;
  return nullptr;
}

int TScreen::PixelsPerInchOf(TWinControl* control) const {
  if (!control || !control->HandleAllocated()) return FPixelsPerInch;
  return WindowPixelsPerInch(control->Handle(), FPixelsPerInch);
}
