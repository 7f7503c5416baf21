#include "runtime/numbers.h"

#include <cmath>

#include "runtime/runtime_error.h"

namespace dw {

double Remainder(double a, double b) {
  if (b == 0.0) RaiseRuntimeError(RuntimeError::kRemainderByZero);
  return std::fmod(a, b);
}

int BitAnd(int a, int b) { return a & b; }

int ShiftLeft(int value, int count) {
  return static_cast<int>(static_cast<unsigned>(value) << (count & 31));
}

int ShiftRight(int value, int count) { return value >> (count & 31); }

}  // namespace dw
