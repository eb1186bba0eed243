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

void TObject::DefaultHandler(TMessage&) {}

void TObject::Dispatch(TMessage& message) {
  const unsigned number = message.Msg & 0xFFFF;
  if (number == 0 || number >= 0xC000)
    DefaultHandler(message);
  else
    DispatchFrom(ClassType(), message);
}

void TObject::DispatchFrom(TClass cls, TMessage& message) {
  const auto number = static_cast<std::uint16_t>(message.Msg);
  const std::uint64_t bit = std::uint64_t{1} << (number & 63);
  for (; cls; cls = cls->Parent) {
    if (!(cls->MessageBits & bit)) continue;
    // Binary search of the class's sorted table.
    const TMessageEntry* first = cls->Messages.data();
    const TMessageEntry* const end = first + cls->Messages.size();
    std::size_t count = cls->Messages.size();
    while (count > 0) {
      const std::size_t half = count / 2;
      if (first[half].Msg < number) {
        first += half + 1;
        count -= half + 1;
      } else {
        count = half;
      }
    }
    if (first != end && first->Msg == number) {
      first->Handler(this, message);
      return;
    }
  }
  DefaultHandler(message);
}
