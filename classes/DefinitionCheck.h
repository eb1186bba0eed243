// Checks a form definition against the type information of the classes
// linked into the program, before anything is created from it: every class is
// known, every property exists and gets a value of a kind it takes, every
// event names a published method of the root class with the event's
// parameters, every reference names a component of the definition, and every
// published field of the root class has its component.
//
// The classes are looked up as the reader looks them up: the field classes of
// the root class, then the registered classes. The checker builds one bare
// instance of each component class it meets (without reading any definition
// into it), to follow property paths through sub-objects and to learn the
// properties that classes declare for themselves.
#pragma once

#include <vector>

#include "DefinitionTree.h"

// Each problem as "file:line:column: Component.Property: message" (for a
// definition read from a binary, "file: Component.Property: message").
std::vector<String> CheckDefinition(const TDefComponent& root, const String& fileName);
