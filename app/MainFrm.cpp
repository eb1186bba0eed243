#include "MainFrm.h"

#include <mmsystem.h>

#include "Application.h"

TPlaySound PlaySoundFunction = PlaySoundA;
TMainForm* MainForm = nullptr;

namespace {

const TMethodEntry MainFormMethods[] = {
    PublishedMethod<&TMainForm::ExitBtnClick>("ExitBtnClick"),
    PublishedMethod<&TMainForm::Play1BtnClick>("Play1BtnClick"),
    PublishedMethod<&TMainForm::Play2BtnClick>("Play2BtnClick"),
};
const TFieldEntry MainFormFields[] = {
    PublishedField<&TMainForm::ExitBtn>("ExitBtn", 0),   PublishedField<&TMainForm::Play1Btn>("Play1Btn", 0),
    PublishedField<&TMainForm::Play2Btn>("Play2Btn", 0), PublishedField<&TMainForm::Panel1>("Panel1", 1),
    PublishedField<&TMainForm::Label1>("Label1", 2),
};
const TClass MainFormFieldClasses[] = {&TButton::ClassRec, &TPanel::ClassRec, &TLabel::ClassRec};

// Asynchronously, without waiting for a busy device and without a default
// sound in place of a missing one.
constexpr DWORD PlayFlags = SND_RESOURCE | SND_NOWAIT | SND_NODEFAULT | SND_ASYNC;

void Play(LPCSTR sound, const char* failure) {
  if (!PlaySoundFunction(sound, GetModuleHandleA(nullptr), PlayFlags))
    Application->MessageBox(failure, nullptr, MB_ICONEXCLAMATION);
}

}  // namespace

SONDREL_PUBLISHED_CLASS(TMainForm, TForm, "MainFrm",
                        {.Methods = MainFormMethods,
                         .Fields = MainFormFields,
                         .FieldClasses = MainFormFieldClasses,
                         .Create = &NewComponent<TMainForm>});

void TMainForm::ExitBtnClick(TObject*) { Close(); }

void TMainForm::Play1BtnClick(TObject*) { Play(MAKEINTRESOURCEA(100), "Erro ao tentar tocar som 1."); }

void TMainForm::Play2BtnClick(TObject*) { Play("SONDREL2", "Erro ao tentar tocar som 2."); }
