// Entry of the sound player.
#include <windows.h>

#include "Application.h"
#include "MainFrm.h"
#include "Runtime.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  InitRuntime();
  InitGraphics();
  InitForms();
  try {
    Application->Initialize();
    Application->SetTitle("Sondrel");
    Application->CreateForm(MainForm);
    Application->Run();
  } catch (const Exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
