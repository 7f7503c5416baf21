// Number operations.
#pragma once

#include <concepts>

namespace dw {

// Floating remainder of a by b; a zero divisor is a runtime error.
double Remainder(double a, double b);

// Remainder of the first argument by each further argument in turn.
template <class... Rest>
requires(std::convertible_to<Rest, double>&&...) double Remainder(
    double a, double b, double c, Rest... rest) {
  return Remainder(Remainder(a, b), c, rest...);
}

int BitAnd(int a, int b);
template <class... Rest>
requires(std::convertible_to<Rest, int>&&...) int BitAnd(int a, int b, int c,
                                                         Rest... rest) {
  return BitAnd(BitAnd(a, b), c, rest...);
}

// Shift by count mod 32; ShiftRight copies the sign bit.
int ShiftLeft(int value, int count);
int ShiftRight(int value, int count);

}  // namespace dw
