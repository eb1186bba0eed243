#include "ResStrings.h"

#include <windows.h>

#include <vector>

String LoadResString(TResId id, int bufferSize) {
  std::vector<char> buffer(bufferSize > 0 ? bufferSize : 1);
  int n = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer.data(),
                      static_cast<int>(buffer.size()));
  return String(buffer.data(), n > 0 ? n : 0);
}

String LoadResString(TResId id) { return LoadResString(id, 1024); }
