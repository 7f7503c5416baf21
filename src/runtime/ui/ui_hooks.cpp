#include "runtime/ui/ui_hooks.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <string>

#include "runtime/delay.h"
#include "runtime/runtime_error.h"
#include "runtime/ui/ui_ops.h"

namespace dw {
namespace {

void ShowRuntimeError(const std::string& text) {
  auto show = [text] {
    ShowMessageBox(text, 0x10, std::string("\xB4\xED\xCE\xF3"));  // 错误
  };
  if (OnGuiThread()) {
    show();
  } else {
    // The process ends once the reporter returns, so the raising thread
    // waits until the user has read the box.
    QMetaObject::invokeMethod(QCoreApplication::instance(), show,
                              Qt::BlockingQueuedConnection);
  }
}

}  // namespace

void InstallRuntimeUiHooks() {
  SetGuiDelayHook([](long long ms) {
    GuiDelay(static_cast<int>(std::min<long long>(ms, 0x7FFFFFFF)));
  });
  SetRuntimeErrorReporter(ShowRuntimeError);
}

}  // namespace dw
