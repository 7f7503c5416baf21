#include "runtime/ui/window_state.h"

#include <xcb/xcb.h>

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QShortcut>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace dw {
namespace {

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  auto cookie = xcb_intern_atom(connection, 0, std::strlen(name), name);
  std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(
      xcb_intern_atom_reply(connection, cookie, nullptr));
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_connection_t* X11Connection() {
  if (!qGuiApp) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

bool HasAtom(xcb_connection_t* connection, xcb_window_t window,
             xcb_atom_t property, xcb_atom_t wanted) {
  auto cookie =
      xcb_get_property(connection, 0, window, property, XCB_ATOM_ATOM, 0, 1024);
  std::unique_ptr<xcb_get_property_reply_t, FreeDeleter> reply(
      xcb_get_property_reply(connection, cookie, nullptr));
  if (!reply || reply->format != 32) return false;
  const auto* atoms =
      static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
  const int count = xcb_get_property_value_length(reply.get()) / 4;
  for (int i = 0; i < count; ++i) {
    if (atoms[i] == wanted) return true;
  }
  return false;
}

// Whether the X server shows the window already; Qt calls a window visible
// before it maps it.
bool IsMapped(xcb_connection_t* connection, xcb_window_t window) {
  auto cookie = xcb_get_window_attributes(connection, window);
  std::unique_ptr<xcb_get_window_attributes_reply_t, FreeDeleter> reply(
      xcb_get_window_attributes_reply(connection, cookie, nullptr));
  return reply && reply->map_state != XCB_MAP_STATE_UNMAPPED;
}

QMargins FrameMargins(const QWidget* window) {
  const QWindow* handle = window->windowHandle();
  return handle ? handle->frameMargins() : QMargins();
}

// Watches a window's first showing for the frame to turn up and takes its
// size off the client area. Goes away with that showing.
class FrameWatcher : public QObject {
 public:
  explicit FrameWatcher(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != window_) return false;
    switch (event->type()) {
      case QEvent::Show:  // before the window is mapped
        shown_ = true;
        before_ = FrameMargins(window_);
        place_ = window_->pos();
        break;
      case QEvent::Hide:
        if (shown_) Done();
        break;
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Paint:
      case QEvent::ActivationChange:
        if (shown_) Check();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void Check() {
    const QMargins now = FrameMargins(window_);
    if (now == before_) return;
    const QSize grown(
        now.left() + now.right() - before_.left() - before_.right(),
        now.top() + now.bottom() - before_.top() - before_.bottom());
    Done();
    const QSize client = window_->size() - grown;
    if (window_->minimumSize() == window_->maximumSize()) {
      window_->setFixedSize(client);
    } else if (!window_->minimumSize().isNull()) {
      // The smallest size was meant with the frame, as the size was.
      window_->setMinimumSize(window_->minimumSize() - grown);
    }
    // The client area sits inside the frame, which goes where the window
    // was placed.
    window_->setGeometry(QRect(place_ + QPoint(now.left(), now.top()), client));
  }

  void Done() {
    window_->removeEventFilter(this);
    deleteLater();
  }

  QWidget* window_;
  bool shown_ = false;
  QMargins before_;
  QPoint place_;
};

}  // namespace

void CloseOnEscape(QWidget* window) {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

void KeepOuterSizeWhenFramed(QWidget* window) {
  if (window && window->isWindow()) new FrameWatcher(window);
}

void RequestNoTaskbarEntry(QWidget* window) {
  xcb_connection_t* connection = X11Connection();
  if (!connection || !window) return;
  const auto id = static_cast<xcb_window_t>(window->winId());
  const xcb_atom_t state = InternAtom(connection, "_NET_WM_STATE");
  const xcb_atom_t skip = InternAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
  if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE) return;
  if (IsMapped(connection, id)) {
    // A mapped window asks the window manager through the root window.
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = id;
    event.type = state;
    event.data.data32[0] = 1;  // add
    event.data.data32[1] = skip;
    event.data.data32[3] = 1;  // from an application
    const xcb_window_t root =
        xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT |
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
  } else if (!HasAtom(connection, id, state, skip)) {
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, state,
                        XCB_ATOM_ATOM, 32, 1, &skip);
  }
  xcb_flush(connection);
}

void SetAlwaysOnTop(QWidget* window, bool on) {
  if (!window) return;
  const Qt::WindowFlags flags =
      window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, on);
  if (flags == window->windowFlags()) return;
  QWindow* handle = window->windowHandle();
  if (!handle) {
    window->setWindowFlags(flags);
    return;
  }
  window->overrideWindowFlags(flags);
  handle->setFlags(flags);
}

}  // namespace dw
