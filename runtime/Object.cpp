#include "Object.h"

#include <cctype>

constinit const TClassRec TObject::ClassRec{"TObject", nullptr, "System", nullptr};

bool TClassRec::InheritsFrom(const TClassRec* ancestor) const {
  for (const TClassRec* c = this; c; c = c->Parent)
    if (c == ancestor) return true;
  return false;
}

bool TClassRec::NameIs(const char* name) const {
  const char* a = Name;
  for (; *a && *name; ++a, ++name)
    if (std::toupper(static_cast<unsigned char>(*a)) !=
        std::toupper(static_cast<unsigned char>(*name)))
      return false;
  return *a == *name;
}
