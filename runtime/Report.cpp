#include "Report.h"

#include <cxxabi.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <typeinfo>

#include "Exceptions.h"
#include "Faults.h"
#include "Runtime.h"

namespace {

// Addresses are reported relative to the start of the program's code, the
// origin of the addresses in the linker's map.
const void* RelativeAddress(const void* address) {
  if (!address) return nullptr;
  auto codeStart = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr)) +
                   ProgramHeaders().OptionalHeader.BaseOfCode;
  return reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(address) - codeStart);
}

String ModuleName() {
  char path[256];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  String name(path, n < sizeof path ? n : sizeof path - 1);
  std::size_t slash = name.rfind('\\');
  if (slash != String::npos) name.erase(0, slash + 1);
  if (name.size() > 63) name.resize(63);
  return name;
}

String TypeName(const std::type_info& type) {
  int status = 0;
  char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  String name = status == 0 && demangled ? demangled : type.name();
  std::free(demangled);
  return name;
}

bool IsConsoleProgram() {
  return ProgramHeaders().OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

void Show(const String& className, const String* message, const void* address) {
  String text = ExceptionReportText(className, message, address);
  if (IsConsoleProgram()) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
  } else {
    String title = LoadResString(TResId::ApplicationError);
    MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_TASKMODAL | MB_ICONERROR);
  }
}

[[noreturn]] void Terminate() {
  ShowExceptionReport(std::current_exception());
  ExitProcess(1);
}

// A platform exception that nothing handled, such as a fault inside a system
// routine that could not be turned into a C++ exception: reported as the
// mapped exception would be, instead of the platform's debugger path.
LONG WINAPI UnhandledPlatformException(EXCEPTION_POINTERS* info) {
  std::unique_ptr<Exception> e = ExceptionOfRecord(*info->ExceptionRecord);
  Show(e->ClassName(), &e->Message(), e->Address());
  ExitProcess(1);
}

}  // namespace

String ExceptionReportText(const String& className, const String* message, const void* address) {
  String text, suffix;
  if (message) {
    text = *message;
    if (!text.empty() && text.back() != '.') suffix.push_back('.');
  }
  String format = LoadResString(TResId::ExceptionReport, 64);
  String report = Format(format, {className, ModuleName(), RelativeAddress(address), text, suffix});
  if (report.size() > 255) report.resize(255);
  return report;
}

void ShowExceptionReport(std::exception_ptr raised) {
  if (!raised) return;
  try {
    std::rethrow_exception(raised);
  } catch (const Exception& e) {
    Show(e.ClassName(), &e.Message(), e.Address());
  } catch (const std::bad_alloc&) {
    const EOutOfMemory& e = OutOfMemoryInstance();
    Show(e.ClassName(), &e.Message(), nullptr);
  } catch (const TObject& o) {
    Show(o.ClassName(), nullptr, nullptr);
  } catch (const std::exception& e) {
    Show(TypeName(typeid(e)), nullptr, nullptr);
  } catch (...) {
    const std::type_info* type = abi::__cxa_current_exception_type();
    Show(type ? TypeName(*type) : String("?"), nullptr, nullptr);
  }
}

void InstallUnhandledExceptionReport() {
  std::set_terminate(Terminate);
  SetUnhandledExceptionFilter(UnhandledPlatformException);
}
