// Start-up of the runtime layer.
#pragma once

#include <windows.h>

// Installs the runtime's hooks (fault mapping, unhandled-exception report),
// builds the out-of-memory instance and reads the platform identifier. Call
// once, before anything else runs.
void InitRuntime();

// The PE headers of the running program's own image.
const IMAGE_NT_HEADERS32& ProgramHeaders();

// The platform identifier read at start-up (2 is VER_PLATFORM_WIN32_NT).
DWORD Win32Platform();
