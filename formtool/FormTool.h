// The form-definition tool: converts definitions between their readable text
// and their binary form and checks them against the classes linked into the
// program that runs it. A program that wants its own classes checked links
// this library and calls FormToolMain with its root classes.
#pragma once

#include <initializer_list>

#include "Object.h"

// Runs the command line; returns the exit status (0 done, 1 a definition is
// wrong or a file cannot be read or written, 2 wrong usage). `classes` are
// registered before anything is checked.
int FormToolMain(int argc, char** argv, std::initializer_list<TClass> classes);
