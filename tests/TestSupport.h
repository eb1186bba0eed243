// Helpers shared by the test programs.
#pragma once

#include <windows.h>

#include <string>

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
