// Entry of the sound player.
#include <windows.h>

#include "Runtime.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  InitRuntime();
  return 0;
}
