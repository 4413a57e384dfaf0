// Packing arguments into ComponentParameters and calling a component entry.
//
// Arguments are given in declared order; the last one lands in params[0].
// Each takes one long slot, written at the slot's start in its own type:
// integers and pointers as their value converted to long (so signed values
// are sign-extended), a Float32 as its bit pattern in the first four bytes of
// a zeroed slot. paramSize is count x sizeof(long).
#pragma once

#include <CoreServices/Components.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace corvane_cm {

inline long Slot(float value) {
  long slot = 0;
  std::memcpy(&slot, &value, sizeof value);
  return slot;
}

template <class T>
long Slot(T* pointer) {
  return static_cast<long>(reinterpret_cast<intptr_t>(pointer));
}

template <class R, class... A>
long Slot(R (*function)(A...)) {
  return static_cast<long>(reinterpret_cast<intptr_t>(function));
}

template <class T, class = std::enable_if_t<std::is_integral<T>::value>>
long Slot(T value) {
  return static_cast<long>(value);
}

// Looks the instance up and calls its entry with its current storage, outside
// the registry lock. badComponentInstance for anything but an open instance.
ComponentResult CallEntry(ComponentInstance instance, ComponentParameters* params);

constexpr int kMaxArguments = 8;

struct ParameterBlock {
  ComponentParameters header;
  long more[kMaxArguments - 1];  // continues header.params
};

template <class... Args>
ComponentResult Call(ComponentInstance instance, SInt16 what, Args... args) {
  static_assert(sizeof...(Args) <= kMaxArguments, "too many component arguments");
  ParameterBlock block;
  std::memset(&block, 0, sizeof block);
  const long slots[sizeof...(Args) + 1] = {Slot(args)..., 0};
  long* params = block.header.params;
  const int count = static_cast<int>(sizeof...(Args));
  for (int i = 0; i < count; ++i) params[i] = slots[count - 1 - i];
  block.header.what = what;
  block.header.paramSize = static_cast<UInt8>(count * sizeof(long));
  return CallEntry(instance, &block.header);
}

}  // namespace corvane_cm
