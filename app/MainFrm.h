// The sound player's main form: three buttons and a panel with a label, all
// described by the form definition MainForm.frm, stored as the resource
// "TMAINFORM". TMainFormBase, generated from the definition, holds a field
// for each of its components.
#pragma once

#include <windows.h>

#include "MainForm.frm.h"

// The one way to the platform's sound service (PlaySoundA), replaceable so
// that a failure to play can be shown.
using TPlaySound = BOOL(WINAPI*)(LPCSTR sound, HMODULE module, DWORD flags);
extern TPlaySound PlaySoundFunction;

class TMainForm : public TMainFormBase {
  SONDREL_CLASS(TMainForm)

 public:
  using TMainFormBase::TMainFormBase;

  // The handlers the definition binds to the buttons' OnClick.
  void ExitBtnClick(TObject* sender);
  void Play1BtnClick(TObject* sender);
  void Play2BtnClick(TObject* sender);
};

extern TMainForm* MainForm;
