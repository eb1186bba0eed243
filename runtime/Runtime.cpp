#include "Runtime.h"

#include "Faults.h"
#include "Report.h"

namespace {
DWORD Platform = 0;
}

DWORD Win32Platform() { return Platform; }

const IMAGE_NT_HEADERS32& ProgramHeaders() {
  auto base = reinterpret_cast<const char*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  return *reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
}

void InitRuntime() {
  InstallFaultMapping();
  InstallUnhandledExceptionReport();
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
  if (GetVersionExA(&info)) Platform = info.dwPlatformId;
}
