// Runtime errors: faults in the program's own logic (an array index out of
// range and the like) that stop the program after telling the user.
#pragma once

#include <functional>
#include <string>

namespace dw {

enum class RuntimeError {
  kIndexTooLarge,        // code 1
  kWrongDimensionCount,  // code 3
  kIndexBelowOne,        // code 4
  kTypeMismatch,         // code 5
  kChoiceOutOfRange,     // code 9
  kRemainderByZero,      // no code
  kBadBytesDataType,     // no code
};

// The GBK text shown for an error: the heading, the code line when the
// error has a code, and the message line.
std::string RuntimeErrorText(RuntimeError error);

// Shows the error's text through the reporter and ends the process with exit
// code -1. Never returns.
[[noreturn]] void RaiseRuntimeError(RuntimeError error);

// The reporter shows the GBK text to the user (the window part installs a
// message box). Without one, the text goes to stderr as UTF-8. Passing an
// empty function restores that default. The process ends after the reporter
// returns, whatever it does.
void SetRuntimeErrorReporter(
    std::function<void(const std::string& gbkText)> reporter);

}  // namespace dw
