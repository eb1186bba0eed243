#include "MainFrm.h"

#include <mmsystem.h>

#include "Application.h"

TPlaySound PlaySoundFunction = PlaySoundA;
TMainForm* MainForm = nullptr;

namespace {

// Asynchronously, without waiting for a busy device and without a default
// sound in place of a missing one.
constexpr DWORD PlayFlags = SND_RESOURCE | SND_NOWAIT | SND_NODEFAULT | SND_ASYNC;

void Play(LPCSTR sound, const char* failure) {
  if (!PlaySoundFunction(sound, GetModuleHandleA(nullptr), PlayFlags))
    Application->MessageBox(failure, nullptr, MB_ICONEXCLAMATION);
}

}  // namespace

void TMainForm::ExitBtnClick(TObject*) { Close(); }

void TMainForm::Play1BtnClick(TObject*) { Play(MAKEINTRESOURCEA(100), "Erro ao tentar tocar som 1."); }

void TMainForm::Play2BtnClick(TObject*) { Play("SONDREL2", "Erro ao tentar tocar som 2."); }
