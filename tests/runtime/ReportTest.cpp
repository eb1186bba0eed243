// The last-resort report of an exception that escaped everything: its text,
// and how a console and a windowed program show it before exiting with 1.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>

#include "Exceptions.h"
#include "Report.h"
#include "TestSupport.h"

namespace {

TEST(Report, TextNamesClassModuleAddressAndMessageWithOneFullStop) {
  const void* none = nullptr;
  String disk = "Disk full";
  EXPECT_EQ(ExceptionReportText("EInOutError", &disk, none),
            "Exception EInOutError in module runtime_tests.exe at 00000000.\nDisk full.");
  String stop = "Ends with a stop.";
  EXPECT_EQ(ExceptionReportText("Exception", &stop, none),
            "Exception Exception in module runtime_tests.exe at 00000000.\nEnds with a stop.");
  String empty;
  EXPECT_EQ(ExceptionReportText("EAbort", &empty, none),
            "Exception EAbort in module runtime_tests.exe at 00000000.\n");
  EXPECT_EQ(ExceptionReportText("TList", nullptr, none),
            "Exception TList in module runtime_tests.exe at 00000000.\n");
}

TEST(Report, AddressesAreRelativeToTheProgramCodeAndLongTextsAreCut) {
  auto base = reinterpret_cast<const char*>(GetModuleHandleA(nullptr));
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const void* address = base + nt->OptionalHeader.BaseOfCode + 0x1234;
  String message(400, 'x');
  String text = ExceptionReportText("Exception", &message, address);
  EXPECT_EQ(text.substr(0, 61), "Exception Exception in module runtime_tests.exe at 00001234.\n");
  EXPECT_EQ(text.size(), 255u);
}

// Runs the report helper with `args`, returning its exit code and output.
struct TRun {
  DWORD ExitCode = 0;
  std::string Output;
};

std::string HelperPath(const char* name) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path);
  return dir.substr(0, dir.rfind('\\') + 1) + name;
}

TRun RunHelper(const std::string& commandLine, HANDLE* processOut = nullptr) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readPipe, writePipe;
  CreatePipe(&readPipe, &writePipe, &inherit, 0);
  SetHandleInformation(readPipe, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writePipe;
  startup.hStdError = writePipe;
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  TRun run;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start " << commandLine;
    return run;
  }
  CloseHandle(writePipe);
  CloseHandle(process.hThread);
  if (processOut) {
    *processOut = process.hProcess;
    CloseHandle(readPipe);
    return run;
  }
  char buffer[512];
  DWORD n;
  while (ReadFile(readPipe, buffer, sizeof buffer, &n, nullptr) && n > 0) run.Output.append(buffer, n);
  CloseHandle(readPipe);
  WaitForSingleObject(process.hProcess, 20000);
  GetExitCodeProcess(process.hProcess, &run.ExitCode);
  CloseHandle(process.hProcess);
  return run;
}

TEST(Report, ConsoleProgramWritesTheReportAndExitsWithOne) {
  std::string helper = HelperPath("report_console.exe");
  TRun run = RunHelper("\"" + helper + "\" exception Disk full");
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_TRUE(std::regex_match(
      run.Output, std::regex("Exception EInOutError in module report_console\\.exe at [0-9A-F]{8}\\.\r?\n"
                             "Disk full\\.\r?\n")))
      << run.Output;

  run = RunHelper("\"" + helper + "\" object");
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_TRUE(std::regex_match(
      run.Output, std::regex("Exception TObject in module report_console\\.exe at 00000000\\.\r?\n\r?\n")))
      << run.Output;

  run = RunHelper("\"" + helper + "\" fault");
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_TRUE(std::regex_match(
      run.Output,
      std::regex("Exception EAccessViolation in module report_console\\.exe at ([0-9A-F]{8})\\.\r?\n"
                 "Access violation at address [0-9A-F]{8}\\. Write of address 00000000\\.\r?\n")))
      << run.Output;

  // A fault inside a system routine cannot be unwound as a C++ exception; it
  // is reported all the same instead of waiting in the platform's debugger.
  run = RunHelper("\"" + helper + "\" systemfault");
  EXPECT_EQ(run.ExitCode, 1u);
  EXPECT_TRUE(std::regex_match(
      run.Output,
      std::regex("Exception EAccessViolation in module report_console\\.exe at ([0-9A-F]{8})\\.\r?\n"
                 "Access violation at address [0-9A-F]{8}\\. Write of address 00000000\\.\r?\n")))
      << run.Output;
}

BOOL CALLBACK FindReportBox(HWND window, LPARAM found) {
  char title[64], cls[16];
  GetWindowTextA(window, title, sizeof title);
  GetClassNameA(window, cls, sizeof cls);
  if (std::string(title) == "Application Error" && std::string(cls) == "#32770") {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

TEST(Report, WindowedProgramShowsAnErrorBoxTitledApplicationError) {
  HANDLE process = nullptr;
  RunHelper("\"" + HelperPath("report_gui.exe") + "\" exception Disk full", &process);
  ASSERT_NE(process, nullptr);
  HWND box = nullptr;
  for (int i = 0; i < 200 && !box; ++i) {
    Sleep(50);
    EnumWindows(FindReportBox, reinterpret_cast<LPARAM>(&box));
  }
  ASSERT_NE(box, nullptr) << "no message box appeared";
  char text[512] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  EXPECT_TRUE(std::regex_match(
      text, std::regex("Exception EInOutError in module report_gui\\.exe at [0-9A-F]{8}\\.\n"
                       "Disk full\\.")))
      << text;
  // The box is task-modal with the error icon and the single OK button.
  EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
  EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 1u);
  CloseHandle(process);
}

}  // namespace
