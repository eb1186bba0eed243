// Events: method pointers made of an object and a code address.
//
// The code address is a thunk generated for one member function; it casts
// the object back to its class and calls the member. Equal thunks mean equal
// methods, which is how a bound event is matched to a method by address.
#pragma once

#include "Object.h"

struct TMethod {
  void* Data = nullptr;  // the object
  void* Code = nullptr;  // the thunk of the member function

  bool operator==(const TMethod&) const = default;
};

namespace detail {
template <class>
struct TMemberOf;
template <class C, class... Args>
struct TMemberOf<void (C::*)(Args...)> {
  using Class = C;
};
}  // namespace detail

// The thunk that calls member function M on the object passed as `data`.
template <auto M, class... Args>
void MethodThunk(void* data, Args... args) {
  using C = typename detail::TMemberOf<decltype(M)>::Class;
  (static_cast<C*>(data)->*M)(args...);
}

template <class... Args>
class TEvent {
 public:
  TEvent() = default;
  explicit TEvent(TMethod method) : Method(method) {}

  // An event bound to member function M of `object`.
  template <auto M>
  static TEvent Of(typename detail::TMemberOf<decltype(M)>::Class* object) {
    return TEvent(TMethod{object, reinterpret_cast<void*>(&MethodThunk<M, Args...>)});
  }

  bool Assigned() const { return Method.Code != nullptr; }
  void operator()(Args... args) const {
    reinterpret_cast<void (*)(void*, Args...)>(Method.Code)(Method.Data, args...);
  }
  bool operator==(const TEvent&) const = default;

  TMethod Method;
};

using TNotifyEvent = TEvent<TObject*>;

// The shape of an event type: one address per parameter list. A method fits
// an event property when their shapes are the same address.
template <class E>
inline constexpr char EventShapeOf = 0;
