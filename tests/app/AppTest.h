// The program under test, named on the test program's command line.
#pragma once

#include <string>

const std::string& ProgramPath();
