#include "runtime/ui/window_state.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
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

}  // namespace

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
