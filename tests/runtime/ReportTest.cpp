// The last-resort report of an exception that escaped everything: its text,
// and how a console and a windowed program show it before exiting with 1.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <tuple>

#include "Exceptions.h"
#include "Report.h"
#include "TestSupport.h"

namespace {

TEST(Report, TextNamesClassModuleAddressAndMessageWithOneFullStop) {
  const String disk = "Disk full", stop = "Ends with a stop.", empty;
  const std::tuple<const char*, const String*, const char*> cases[] = {
      {"EInOutError", &disk, "Disk full."},
      {"Exception", &stop, "Ends with a stop."},
      {"EAbort", &empty, ""},
      {"TList", nullptr, ""}};
  for (auto [cls, message, tail] : cases)
    EXPECT_EQ(ExceptionReportText(cls, message, nullptr),
              "Exception " + String(cls) + " in module runtime_tests.exe at 00000000.\n" + tail);
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

// Starts the report helper `name` (beside this program) with `args`, its
// output into `output` when given; the process, or null.
HANDLE StartHelper(const char* name, const char* args, HANDLE output = nullptr) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string line = path;
  line = "\"" + line.substr(0, line.rfind('\\') + 1) + name + "\" " + args;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = output ? STARTF_USESTDHANDLES : 0;
  startup.hStdOutput = startup.hStdError = output;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    ADD_FAILURE() << "cannot start " << line;
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

// The exit code of a finished process.
DWORD ExitCodeOf(HANDLE process) {
  DWORD code = 0;
  EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return code;
}

TEST(Report, ConsoleProgramWritesTheReportAndExitsWithOne) {
  const char* const fault =
      "Exception EAccessViolation in module report_console\\.exe at [0-9A-F]{8}\\.\r?\n"
      "Access violation at address [0-9A-F]{8}\\. Write of address 00000000\\.\r?\n";
  const std::pair<const char*, const char*> cases[] = {
      {"exception Disk full",
       "Exception EInOutError in module report_console\\.exe at [0-9A-F]{8}\\.\r?\nDisk full\\.\r?\n"},
      {"object", "Exception TObject in module report_console\\.exe at 00000000\\.\r?\n\r?\n"},
      {"fault", fault},
      // A fault inside a system routine cannot be unwound as a C++ exception;
      // it is reported all the same instead of waiting in the platform's debugger.
      {"systemfault", fault}};
  for (auto [args, pattern] : cases) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readPipe, writePipe;
    CreatePipe(&readPipe, &writePipe, &inherit, 0);
    SetHandleInformation(readPipe, HANDLE_FLAG_INHERIT, 0);
    HANDLE process = StartHelper("report_console.exe", args, writePipe);
    CloseHandle(writePipe);
    std::string output;
    char buffer[512];
    DWORD n;
    while (ReadFile(readPipe, buffer, sizeof buffer, &n, nullptr) && n > 0) output.append(buffer, n);
    CloseHandle(readPipe);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(ExitCodeOf(process), 1u) << args;
    EXPECT_TRUE(std::regex_match(output, std::regex(pattern))) << args << ": " << output;
  }
}

// The box is task-modal with the error icon and the single OK button.
TEST(Report, WindowedProgramShowsAnErrorBoxTitledApplicationError) {
  HANDLE process = StartHelper("report_gui.exe", "exception Disk full");
  ASSERT_NE(process, nullptr);
  HWND box = nullptr;
  for (int i = 0; i < 200 && !box; ++i) {
    Sleep(50);
    box = FindWindowA("#32770", "Application Error");
  }
  ASSERT_NE(box, nullptr) << "no message box appeared";
  char text[512] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  EXPECT_TRUE(std::regex_match(
      text, std::regex("Exception EInOutError in module report_gui\\.exe at [0-9A-F]{8}\\.\n"
                       "Disk full\\.")))
      << text;
  EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
  EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ExitCodeOf(process), 1u);
}

}  // namespace
