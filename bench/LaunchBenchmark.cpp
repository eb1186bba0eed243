// Launch of the sound player against a program that makes the same window
// tree directly with the platform's calls: the time from starting the process
// to its visible main window, and the GDI objects each holds once started.
//
//   launch_benchmark PLAYER BASELINE [runs]
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include "Timing.h"

namespace {

struct TSearch {
  DWORD Process;
  HWND Found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<TSearch*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  RECT r;
  GetWindowRect(window, &r);
  char title[16] = "";
  GetWindowTextA(window, title, sizeof title);
  if (pid == s->Process && IsWindowVisible(window) && r.right - r.left > 1 && std::string(title) == "Sondrel") {
    s->Found = window;
    return FALSE;
  }
  return TRUE;
}

// The live entries of another process's GDI handle table (the process
// environment block points to it at offset 0x94; 65536 entries of 24 bytes,
// the type byte at 14).
long GdiObjects(HANDLE process) {
  using TQuery = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<TQuery>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION info{};
  if (!query || query(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0) return -1;
  DWORD table = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<char*>(info.PebBaseAddress) + 0x94, &table, 4, nullptr) || !table)
    return -1;
  std::vector<unsigned char> entries(0x10000 * 24);
  if (!ReadProcessMemory(process, reinterpret_cast<void*>(table), entries.data(), entries.size(), nullptr)) return -1;
  long live = 0;
  for (int i = 0; i < 0x10000; ++i) live += entries[i * 24 + 14] != 0;
  return live;
}

struct TLaunch {
  double Seconds;
  long GdiObjects;
};

TLaunch Launch(const std::string& program) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = "\"" + program + "\"";
  const double start = Seconds();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "cannot start %s\n", program.c_str());
    std::exit(2);
  }
  TSearch search{process.dwProcessId, nullptr};
  while (!search.Found && Seconds() - start < 30) EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
  const double elapsed = Seconds() - start;
  Sleep(500);  // painted and idle
  const long objects = GdiObjects(process.hProcess);
  PostMessageA(search.Found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return {elapsed, objects};
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: launch_benchmark PLAYER BASELINE [runs]\n");
    return 2;
  }
  const int runs = argc > 3 ? std::atoi(argv[3]) : 9;
  std::vector<double> player, baseline;
  long playerObjects = 0, baselineObjects = 0;
  Launch(argv[1]);  // the first start of any program warms the Wine server
  for (int i = 0; i < runs; ++i) {
    TLaunch p = Launch(argv[1]), b = Launch(argv[2]);
    player.push_back(p.Seconds);
    baseline.push_back(b.Seconds);
    playerObjects = p.GdiObjects;
    baselineObjects = b.GdiObjects;
  }
  const double mp = Median(player), mb = Median(baseline);
  std::printf("Launch to visible main window (median of %d): player %.1f ms, direct platform calls %.1f ms, "
              "ratio %.2f (target: at most 1.2)\n",
              runs, mp * 1e3, mb * 1e3, mp / mb);
  std::printf("GDI objects once started: player %ld, direct platform calls %ld, difference %ld (target: at most 4)\n",
              playerObjects, baselineObjects, playerObjects - baselineObjects);
  return 0;
}
