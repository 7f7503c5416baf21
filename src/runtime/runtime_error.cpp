#include "runtime/runtime_error.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "runtime/gb18030.h"

namespace dw {
namespace {

struct ErrorInfo {
  int code;  // 0: no code line
  const char* message;
};

ErrorInfo InfoOf(RuntimeError error) {
  switch (error) {
    case RuntimeError::kIndexTooLarge:
      // 数组成员引用下标超出定义范围
      return {1,
              "\xca\xfd\xd7\xe9\xb3\xc9\xd4\xb1\xd2\xfd\xd3\xc3\xcf\xc2\xb1\xea"
              "\xb3\xac\xb3\xf6\xb6\xa8\xd2\xe5\xb7\xb6\xce\xa7"};
    case RuntimeError::kWrongDimensionCount:
      // 引用数组成员时维数不为1且不等于该数组目前所具有的维数
      return {3,
              "\xd2\xfd\xd3\xc3\xca\xfd\xd7\xe9\xb3\xc9\xd4\xb1\xca\xb1\xce\xac"
              "\xca\xfd\xb2\xbb\xce\xaa"
              "1"
              "\xc7\xd2\xb2\xbb\xb5\xc8\xd3\xda\xb8\xc3\xca\xfd\xd7\xe9\xc4\xbf"
              "\xc7\xb0\xcb\xf9\xbe\xdf\xd3\xd0\xb5\xc4\xce\xac\xca\xfd"};
    case RuntimeError::kIndexBelowOne:
      // 数组成员引用下标必须大于等于1
      return {4,
              "\xca\xfd\xd7\xe9\xb3\xc9\xd4\xb1\xd2\xfd\xd3\xc3\xcf\xc2\xb1\xea"
              "\xb1\xd8\xd0\xeb\xb4\xf3\xd3\xda\xb5\xc8\xd3\xda"
              "1"};
    case RuntimeError::kTypeMismatch:
      // 数据或数组类型不匹配
      return {5,
              "\xca\xfd\xbe\xdd\xbb\xf2\xca\xfd\xd7\xe9\xc0\xe0\xd0\xcd\xb2\xbb"
              "\xc6\xa5\xc5\xe4"};
    case RuntimeError::kChoiceOutOfRange:
      // “多项选择”命令的索引值参数小于零或超出了所提供参数表范围
      return {9,
              "\xa1\xb0\xb6\xe0\xcf\xee\xd1\xa1\xd4\xf1\xa1\xb1\xc3\xfc\xc1\xee"
              "\xb5\xc4\xcb\xf7\xd2\xfd\xd6\xb5\xb2\xce\xca\xfd\xd0\xa1\xd3\xda"
              "\xc1\xe3\xbb\xf2\xb3\xac\xb3\xf6\xc1\xcb\xcb\xf9\xcc\xe1\xb9\xa9"
              "\xb2\xce\xca\xfd\xb1\xed\xb7\xb6\xce\xa7"};
    case RuntimeError::kRemainderByZero:
      // 不能求余数于零
      return {0, "\xb2\xbb\xc4\xdc\xc7\xf3\xd3\xe0\xca\xfd\xd3\xda\xc1\xe3"};
    case RuntimeError::kBadBytesDataType:
      // “欲取出数据的类型”参数值无效
      return {0,
              "\xa1\xb0\xd3\xfb\xc8\xa1\xb3\xf6\xca\xfd\xbe\xdd\xb5\xc4\xc0\xe0"
              "\xd0\xcd\xa1\xb1\xb2\xce\xca\xfd\xd6\xb5\xce\xde\xd0\xa7"};
  }
  return {0, ""};
}

std::mutex gReporterMutex;
std::function<void(const std::string&)>& Reporter() {
  static std::function<void(const std::string&)> reporter;
  return reporter;
}

}  // namespace

std::string RuntimeErrorText(RuntimeError error) {
  const ErrorInfo info = InfoOf(error);
  std::string text =
      "\xd4\xcb\xd0\xd0\xca\xb1\xb3\xf6\xb4\xed!\r\n\r\n";  // 运行时出错!
  if (info.code != 0) {
    text += "\xb4\xed\xce\xf3\xb4\xfa\xc2\xeb\xa3\xba";  // 错误代码：
    text += std::to_string(info.code);
    text += "\r\n\r\n";
  }
  text += "\xb4\xed\xce\xf3\xd0\xc5\xcf\xa2\xa3\xba";  // 错误信息：
  text += info.message;
  text += "\r\n";
  return text;
}

void RaiseRuntimeError(RuntimeError error) {
  const std::string text = RuntimeErrorText(error);
  std::function<void(const std::string&)> reporter;
  {
    std::lock_guard<std::mutex> lock(gReporterMutex);
    reporter = Reporter();
  }
  if (reporter) {
    reporter(text);
  } else {
    const std::string shown = GbkToUtf8(text);
    std::fwrite(shown.data(), 1, shown.size(), stderr);
  }
  std::fflush(nullptr);
  // Other threads may still be using program state, so nothing is torn down.
  std::_Exit(-1);
}

void SetRuntimeErrorReporter(
    std::function<void(const std::string& gbkText)> reporter) {
  std::lock_guard<std::mutex> lock(gReporterMutex);
  Reporter() = std::move(reporter);
}

}  // namespace dw
