// Identifiers of the program's string resources and the loader for them.
#pragma once

#include "Object.h"

enum class TResId : unsigned short {
#define RES_STRING(name, id, text) name = id,
#include "ResStrings.def"
#undef RES_STRING
};

// Loads a string of this program's own module (at most 1023 characters);
// an identifier that is not present yields the empty String.
String LoadResString(TResId id);
// The same with a buffer of bufferSize characters, so at most bufferSize - 1.
String LoadResString(TResId id, int bufferSize);
