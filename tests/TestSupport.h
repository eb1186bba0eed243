// Helpers shared by the test programs.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Exceptions.h"

// A path given on the command line or in the environment as a Unix path is
// reached under Wine through drive Z:.
inline std::string WinePath(std::string path) {
  if (!path.empty() && path[0] == '/') {
    for (char& c : path)
      if (c == '/') c = '\\';
    path = "Z:" + path;
  }
  return path;
}

// The whole contents of a file, or an empty string when it cannot be read.
inline std::string ReadWholeFile(const std::string& path) {
  std::string data;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return data;
  char buffer[4096];
  DWORD n;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
  CloseHandle(h);
  return data;
}

// Checks that an action raises exactly the exception class E with a message.
template <class E, class F>
testing::AssertionResult Raises(F&& action, const String& message) {
  try {
    action();
  } catch (const E& e) {
    if (e.ClassType() != E::StaticClass()) return testing::AssertionFailure() << e.ClassName();
    if (e.Message() != message) return testing::AssertionFailure() << "message: " << e.Message();
    return testing::AssertionSuccess();
  } catch (const Exception& e) {
    return testing::AssertionFailure() << "raised " << e.ClassName() << ": " << e.Message();
  }
  return testing::AssertionFailure() << "nothing raised";
}
#define EXPECT_RAISES(E, statement, message) \
  EXPECT_TRUE(Raises<E>([&] { statement; }, message))

// A fresh empty file in the temporary directory, deleted again at scope end.
struct TTempFile {
  TTempFile() {
    char dir[MAX_PATH], name[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "sdt", 0, name);
    Name = name;
  }
  ~TTempFile() { DeleteFileA(Name.c_str()); }
  String Name;
};

// Windows of this thread, top-level and child.
inline int ThreadWindowCount() {
  struct TCount {
    static BOOL CALLBACK Child(HWND, LPARAM count) {
      ++*reinterpret_cast<int*>(count);
      return TRUE;
    }
    static BOOL CALLBACK Top(HWND window, LPARAM count) {
      ++*reinterpret_cast<int*>(count);
      EnumChildWindows(window, Child, count);
      return TRUE;
    }
  };
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), TCount::Top, reinterpret_cast<LPARAM>(&count));
  return count;
}
