// The error tracker and the growable array whose allocation failure it raises.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "support/support.h"

void ErrorTracker::SetCode(int code) {
  switch (code) {
    case 1:
    case 255:
      if (Code == 0)
        Code = code;
      break;
    case 2:
      if (Code == 0 || Code == 1)
        Code = code;
      break;
    default:
      Code = code;
      break;
  }
  ++Count;
}

void ErrorTracker::Raise(int code) {
  if (code == 255 && !RaiseOn255)
    return;
  SetCode(code);
  throw code;
}

// The one exception of the program: nothing catches it, and the process ends.
void ErrorTracker::MemoryError() {
  Raise(8);
  throw 8;  // not reached: Raise returns only for code 255
}

Array<int>::~Array() { std::free(Data); }

void Array<int>::Extend(int n) {
  if (n <= 0)
    return;  // the count never shrinks here
  // A count past the int range cannot be allocated either.
  if (Count > INT_MAX - n)
    Errors.MemoryError();
  Count += n;
  if (Capacity >= Count)
    return;
  int grown = Capacity <= (INT_MAX - 32) / 5 * 4 ? Capacity + Capacity / 4 + 32 : INT_MAX;
  int wanted = grown > Count ? grown : Count;
  if (static_cast<size_t>(wanted) > SIZE_MAX / sizeof(int))
    Errors.MemoryError();
  void* data = std::realloc(Data, static_cast<size_t>(wanted) * sizeof(int));
  if (data == nullptr)
    Errors.MemoryError();
  Data = static_cast<int*>(data);
  Capacity = wanted;
}

void Array<int>::Append(int value) {
  Extend(1);
  Data[Count - 1] = value;
}
