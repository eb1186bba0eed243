#include "Runtime.h"

#include "Faults.h"
#include "Report.h"

namespace {
DWORD Platform = 0;
}

DWORD Win32Platform() { return Platform; }

void InitRuntime() {
  InstallFaultMapping();
  InstallUnhandledExceptionReport();
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  if (GetVersionExA(&info)) Platform = info.dwPlatformId;
}
