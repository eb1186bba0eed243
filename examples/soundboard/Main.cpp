// The sound board: a button for each WAVE file of the folder named on the
// command line (the board's own sounds when none is), each playing its sound.
#include <windows.h>

#include <cstdlib>

#include "Application.h"
#include "BoardFrm.h"
#include "Menus.h"
#include "Runtime.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  InitRuntime();
  InitGraphics();
  InitForms();
  InitMenus();
  if (__argc > 1) SoundFolder = __argv[1];
  try {
    Application->Initialize();
    Application->SetTitle("Sound Board");
    Application->CreateForm(BoardForm);
    Application->Run();
  } catch (const Exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
