// TScreen: the display (size, pixels per inch, fonts, cursors, input
// methods) and the state of the program's forms: the list in activation
// order and the form and control that have the focus.
#pragma once

#include <windows.h>

#include <memory>

#include "Controls.h"
#include "StringLists.h"

class TForm;

class TScreen : public TComponent {
  SONDREL_CLASS(TScreen)

 public:
  explicit TScreen(const TOwner& owner);
  ~TScreen() override;

  int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
  int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
  int PixelsPerInch() const { return FPixelsPerInch; }
  // The pixels per inch of the screen the control's window is on (the
  // system's without a window or where the platform cannot tell).
  int PixelsPerInchOf(TWinControl* control) const;
  // Enumerated on first use.
  TStringList* Fonts();
  TStringList* ImeNames() const { return FImeNames.get(); }
  const String& DefaultImeName() const { return FDefaultImeName; }
  HKL DefaultKeyboardLayout() const { return FDefaultKeyboardLayout; }
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor cursor);
  // Number -1 gives 0; a number never added gives the default arrow. The
  // table's cursors are loaded on first use.
  HCURSOR Cursors(int cursor);
  void SetCursors(int cursor, HCURSOR handle);

  int FormCount() const { return FForms.Count(); }
  TForm* Forms(int index) const { return static_cast<TForm*>(FForms.Items(index)); }
  void AddForm(TForm* form);
  void RemoveForm(TForm* form);
  void MoveFormToFront(TForm* form);

  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control) { FActiveControl = control; }
  TForm* ActiveForm() const { return FActiveForm; }
  void SetActiveForm(TForm* form) { FActiveForm = form; }
  TForm* FocusedForm() const { return FFocusedForm; }
  void SetFocusedForm(TForm* form) { FFocusedForm = form; }
  // Fires OnActiveFormChange and then OnActiveControlChange for what changed
  // since the last call.
  void NotifyChanges();
  // Drops every reference to a control being destroyed.
  void ControlDestroyed(TControl* control);
  // The form or further component with that name (case ignored), or null.
  TComponent* FindGlobalComponent(const String& name) const;

  TNotifyEvent OnActiveControlChange, OnActiveFormChange;

 private:
  struct TCursorNode {
    TCursorNode* Next;
    std::int32_t Number;
    HCURSOR Handle;
  };
  void LoadCursors();
  void DestroyCursors();
  void CollectImeNames();

  std::unique_ptr<TStringList> FFonts, FImeNames;
  String FDefaultImeName;
  HKL FDefaultKeyboardLayout = nullptr;
  TList FSavedControls;
  int FPixelsPerInch = 96;
  TCursor FCursor = crDefault;
  TList FForms;
  TList FComponents;  // further top-level components searched by name
  TCursorNode* FCursorList = nullptr;
  HCURSOR FDefaultCursor = nullptr;
  TWinControl* FActiveControl = nullptr;
  TForm* FActiveForm = nullptr;
  TWinControl* FLastActiveControl = nullptr;
  TForm* FLastActiveForm = nullptr;
  TForm* FFocusedForm = nullptr;
};

extern TScreen* Screen;
