// How a window ends the runner it owns: the runner joins its thread while
// dispatching events, so that must happen while the window still stands,
// with its parts silent, so that no event starts another run or reaches
// parts already gone.
#pragma once

#include <QObject>

namespace dw {

inline void EndRunnerOf(QObject* owner, QObject* runner) {
  for (QObject* child : owner->findChildren<QObject*>()) {
    child->blockSignals(true);
  }
  delete runner;
}

}  // namespace dw
