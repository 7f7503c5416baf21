#include "app/desktop/desktop_session.h"

#include <QApplication>
#include <QIcon>
#include <cstdlib>

namespace dw {
namespace {

bool Given(const char* value) { return value && *value; }

}  // namespace

bool PreferX11(const char* wayland_display, const char* display,
               const char* chosen_platform) {
  return Given(wayland_display) && Given(display) && !chosen_platform;
}

bool PrepareDesktopSession() {
  const bool x11 =
      PreferX11(std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"),
                std::getenv("QT_QPA_PLATFORM"));
  if (x11) ::setenv("QT_QPA_PLATFORM", "xcb", /*overwrite=*/0);
  // The application name is the X11 window class (StartupWMClass of the
  // desktop entry). No display name: Qt would append it to every title.
  QCoreApplication::setApplicationName(QStringLiteral("dealwatcher"));
  QGuiApplication::setDesktopFileName(QStringLiteral("dealwatcher"));
  return x11;
}

void FinishDesktopSession(bool chose_x11) {
  if (chose_x11) ::unsetenv("QT_QPA_PLATFORM");
}

void SetProgramIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/dealwatcher/48x48/apps/dealwatcher.png"));
  icon.addFile(QStringLiteral(":/dealwatcher/128x128/apps/dealwatcher.png"));
  QApplication::setWindowIcon(icon);
}

}  // namespace dw
