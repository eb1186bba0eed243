// The C++ code of a form class, generated from the form's definition, so that
// the definition is the one place that names the form's components.
//
// For a definition whose root is `MainForm: TMainForm`, the header declares
// TMainFormBase, a form with a field for each named component; the program
// derives TMainForm from it and declares the event handlers the definition
// names. The source defines TMainForm's published tables (its fields, their
// classes and the handlers) and its class record. Each field and handler is
// marked with the line of the definition that names it, so a handler the
// program does not declare, or a component name C++ cannot take, is a
// compiler error located in the definition.
#pragma once

#include <functional>

#include "DefinitionTree.h"

struct TFormCode {
  String Header;
  String Source;
};

// Where the code refers to files: the definition, the program's header that
// declares the form class (its base name is the class's unit name), and the
// two generated files (named in their own text for diagnostics after the
// definition's lines).
struct TFormCodeFiles {
  String Form;
  String ProgramHeader;
  String Header;
  String Source;
};

// `unitOf` gives the unit (header base name) of a class it knows, else an
// empty text: the header includes the units of the classes known, and
// declares the others, whose declarations the program's header provides.
TFormCode GenerateFormCode(const TDefComponent& root, const TFormCodeFiles& files,
                           const std::function<String(const String& className)>& unitOf);
