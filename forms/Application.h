// TApplication: the one application object. Its hidden window owns every
// form window and stands for the program on the task bar; it runs the
// message loop, shows message boxes, turns exceptions that escape event
// handlers into error boxes, times and places hints, and keeps topmost
// windows in order while the program is inactive or a box is up.
#pragma once

#include <windows.h>

#include <memory>

#include "Forms.h"
#include "Graphic.h"
#include "HintWindow.h"

// The record handed with XM_HINT_SHOW and to OnShowHint.
struct THintInfo {
  TControl* HintControl;
  POINT HintPos;  // screen coordinates of the hint window's top-left corner
  int HintMaxWidth;
  TColor HintColor;
  RECT CursorRect;  // client coordinates of HintControl
  POINT CursorPos;  // client coordinates of HintControl
};

using TExceptionEvent = TEvent<TObject*, const Exception&>;
using TMessageEvent = TEvent<MSG&, bool&>;
using THelpEvent = TEvent<std::uint16_t, std::int32_t, bool&, bool&>;  // (command, data, call help, result)
using TIdleEvent = TEvent<TObject*, bool&>;
using TShowHintEvent = TEvent<String&, bool&, THintInfo&>;
// A window hook: true when it handled the message.
using TWindowHook = TEvent<TMessage&, bool&>;

// The windows disabled while a modal box is up, newest first.
struct TDisabledWindow {
  TDisabledWindow* Next;
  HWND Window;
};
TDisabledWindow* DisableThreadWindows(HWND except);
void EnableThreadWindows(TDisabledWindow* list);
HWND FindFocusableWindow(HWND except);
bool IsForegroundThread();
void ShowWindowNoAnimation(HWND window, int command);

class TApplication : public TComponent, public IApplicationHost {
  SONDREL_CLASS(TApplication)

 public:
  explicit TApplication(const TOwner& owner);
  ~TApplication() override;

  void Initialize();
  // Makes a form of class `formClass` owned by the application; `reference`
  // holds it while its definition is read (and is reset when that fails).
  // The first form made this way becomes the main form.
  void CreateForm(TClass formClass, void* reference);
  template <class T>
  void CreateForm(T*& reference) {
    CreateForm(T::StaticClass(), &reference);
  }
  // Shows the main form and handles messages until Terminated.
  void Run();
  void Terminate() { PostQuitMessage(0); }
  void HandleNextMessage();
  bool ProcessMessage();
  // Handles every message waiting, then returns.
  void ProcessMessages();
  void Idle();
  int MessageBox(const char* text, const char* caption, std::uint16_t flags);
  void ShowException(const Exception& e);
  void Minimize();
  void Restore();
  void AddWindowHook(TWindowHook hook);
  void RemoveWindowHook(TWindowHook hook);
  bool InvokeHelp(std::uint16_t command, std::int32_t data);
  bool HelpContext(std::int32_t context) { return InvokeHelp(HELP_CONTEXT, context); }
  bool HelpCommand(std::uint16_t command, std::int32_t data) { return InvokeHelp(command, data); }
  void CancelHint();
  void DemoteTopmostWindows();
  void RestoreTopmostWindows();
  // The application's icon, or the platform's when it has none.
  HICON CurrentIcon();
  // Destroys the hint window's platform window (the object stays).
  void DestroyHintWindowHandle();

  // IApplicationHost.
  void HandleException(TObject* sender) override;
  void HintMouseMove(TControl* control, TMessage& message) override;
  void ControlDestroyed(TControl* control) override;
  HWND Handle() override { return FHandle; }
  void ActivateLastPopup() override;
  TWinControl* MainForm() override;
  int ScreenCursor() override;
  HCURSOR Cursors(int cursor) override;

  TForm* GetMainForm() const { return FMainForm; }
  String Title() const;
  void SetTitle(const String& title);
  const String& Hint() const { return FHint; }
  void SetHint(const String& hint);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  THintWindow* HintWindow() const { return FHintWindow.get(); }
  TColor HintColor() const { return FHintColor; }
  void SetHintColor(TColor color) { FHintColor = color; }
  int HintPause() const { return FHintPause; }
  void SetHintPause(int ms) { FHintPause = ms; }
  int HintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(int ms) { FHintShortPause = ms; }
  int HintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(int ms) { FHintHidePause = ms; }
  TControl* HintControl() const { return FHintControl; }
  bool HintActive() const { return FHintActive; }
  const String& HelpFile() const { return FHelpFile; }
  void SetHelpFile(const String& file) { FHelpFile = file; }
  TIcon* Icon() const { return FIcon.get(); }
  bool Terminated() const { return FTerminated; }
  bool Active() const { return FActive; }
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool value) { FShowMainForm = value; }
  bool UpdateFormatSettings() const { return FUpdateFormatSettings; }
  void SetUpdateFormatSettings(bool value) { FUpdateFormatSettings = value; }
  HWND DialogHandle() const { return FDialogHandle; }
  void SetDialogHandle(HWND window) { FDialogHandle = window; }

  TExceptionEvent OnException;
  TMessageEvent OnMessage;
  THelpEvent OnHelp;
  TNotifyEvent OnHint;
  TIdleEvent OnIdle;
  TNotifyEvent OnDeactivate, OnActivate, OnMinimize, OnRestore;
  TShowHintEvent OnShowHint;

  // The process-wide initialisation hook run by Initialize; none is set.
  static inline void (*InitProc)() = nullptr;

 private:
  void CreateHandle();
  void WndProc(TMessage& message);
  void IconChanged(TObject* sender);
  bool IsKeyMsg(MSG& msg);
  void StartHintTimer(int delay, int mode);
  void StopHintTimer();
  void HintTimerExpired();
  void HideHint();
  void PopUpHint(POINT cursorPos);
  void InstallHintHooks();
  void RemoveHintHooks();
  friend void CALLBACK HintTimerProc(HWND, UINT, UINT_PTR, DWORD);
  friend LRESULT CALLBACK HintGetMessageHook(int, WPARAM, LPARAM);
  friend DWORD WINAPI HintMouseThread(void*);

  HWND FHandle = nullptr;
  TForm* FMainForm = nullptr;
  TControl* FMouseControl = nullptr;
  String FHelpFile;
  String FHint;
  bool FHintActive = false;
  bool FUpdateFormatSettings = true;
  bool FShowMainForm = true;
  TColor FHintColor = clInfoBk;
  TControl* FHintControl = nullptr;
  RECT FHintCursorRect{};
  int FHintPause = 500, FHintShortPause = 50, FHintHidePause = 2500;
  std::unique_ptr<THintWindow> FHintWindow;
  bool FShowHint = false;
  bool FTimerActive = false;
  int FTimerMode = 0;  // 0 show, 1 hide
  UINT_PTR FTimerHandle = 0;
  String FTitle;  // while there is no application window
  TList FTopmostList;
  int FTopmostLevel = 0;
  std::unique_ptr<TIcon> FIcon;
  bool FTerminated = false;
  bool FActive = true;
  bool FHandleCreated = false;
  bool FRunning = false;
  TList FWindowHooks;  // heap copies of TWindowHook
  TDisabledWindow* FDisabledWindows = nullptr;
  HWND FDialogHandle = nullptr;
  HHOOK FHintHook = nullptr;
  HANDLE FHintThread = nullptr;
  HANDLE FHintThreadStop = nullptr;
};

extern TApplication* Application;

// While false, forms drop WM_SETFOCUS, WM_KILLFOCUS and WM_ACTIVATE (the
// application's system-command forwarding switches it off briefly).
extern bool FocusMessages;

// Starts the forms layer: the controls layer, the screen and application
// objects (freed at exit, application first), the hint window and the
// finder of components by name across forms. Safe to call more than once.
void InitForms();
