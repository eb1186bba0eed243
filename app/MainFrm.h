// The sound player's main form: three buttons and a panel with a label, all
// described by the form definition stored as the resource "TMAINFORM".
#pragma once

#include <windows.h>

#include "ExtCtrls.h"
#include "StdCtrls.h"

// The one way to the platform's sound service (PlaySoundA), replaceable so
// that a failure to play can be shown.
using TPlaySound = BOOL(WINAPI*)(LPCSTR sound, HMODULE module, DWORD flags);
extern TPlaySound PlaySoundFunction;

class TMainForm : public TForm {
  SONDREL_CLASS(TMainForm)

 public:
  using TForm::TForm;

  TButton* ExitBtn = nullptr;
  TButton* Play1Btn = nullptr;
  TButton* Play2Btn = nullptr;
  TPanel* Panel1 = nullptr;
  TLabel* Label1 = nullptr;

  void ExitBtnClick(TObject* sender);
  void Play1BtnClick(TObject* sender);
  void Play2BtnClick(TObject* sender);
};

extern TMainForm* MainForm;
