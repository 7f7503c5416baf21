// Arrays of the program's tables: indexed from 1, one or two dimensions, a
// two-dimensional table indexed row first. An index out of range is a fault
// in the program's logic and stops the program with a runtime error.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "runtime/runtime_error.h"

namespace dw {

template <class T>
class Array {
 public:
  // An empty one-dimensional array.
  Array() = default;
  // A one-dimensional array of size default values.
  explicit Array(int size) : rows_(Clamp(size)), data_(rows_) {}
  // A table of rows x columns default values.
  Array(int rows, int columns)
      : rows_(Clamp(rows)),
        columns_(Clamp(columns)),
        two_dimensional_(true),
        data_(rows_ * columns_) {}

  int Dimensions() const { return two_dimensional_ ? 2 : 1; }
  // Number of members of all dimensions.
  int Size() const { return static_cast<int>(data_.size()); }
  bool Empty() const { return data_.empty(); }
  // Size of the first dimension (rows of a table).
  int Rows() const { return static_cast<int>(rows_); }
  // Size of the second dimension; 0 for a one-dimensional array.
  int Columns() const { return static_cast<int>(columns_); }

  // One index addresses the members in order over all dimensions (row after
  // row for a table).
  T& operator()(int index) { return data_[Flat(index)]; }
  const T& operator()(int index) const { return data_[Flat(index)]; }
  T& operator()(int row, int column) { return data_[Flat(row, column)]; }
  const T& operator()(int row, int column) const {
    return data_[Flat(row, column)];
  }

  // Appends to a one-dimensional array.
  void Append(T value) {
    if (two_dimensional_) RaiseRuntimeError(RuntimeError::kWrongDimensionCount);
    data_.push_back(std::move(value));
    ++rows_;
  }

  // Members in order, row after row.
  const std::vector<T>& Members() const { return data_; }

  friend bool operator==(const Array& a, const Array& b) = default;

 private:
  static std::size_t Clamp(int n) {
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }

  static std::size_t Checked(int index, std::size_t size) {
    if (index < 1) RaiseRuntimeError(RuntimeError::kIndexBelowOne);
    if (static_cast<std::size_t>(index) > size)
      RaiseRuntimeError(RuntimeError::kIndexTooLarge);
    return static_cast<std::size_t>(index) - 1;
  }

  std::size_t Flat(int index) const { return Checked(index, data_.size()); }

  std::size_t Flat(int row, int column) const {
    if (!two_dimensional_)
      RaiseRuntimeError(RuntimeError::kWrongDimensionCount);
    return Checked(row, rows_) * columns_ + Checked(column, columns_);
  }

  std::size_t rows_ = 0;
  std::size_t columns_ = 0;
  bool two_dimensional_ = false;
  std::vector<T> data_;
};

}  // namespace dw
