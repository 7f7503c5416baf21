#include "app/desktop/event_sound.h"

#include <canberra.h>

namespace dw {
namespace {

// Made at the first sound, so a program that never sounds never loads an
// audio driver, and kept for the life of the process: destroying it would
// unload the driver modules while the threads that played through them
// still point at their thread-local data.
ca_context* SharedContext() {
  static ca_context* const context = []() -> ca_context* {
    ca_context* made = nullptr;
    if (ca_context_create(&made) != CA_SUCCESS) return nullptr;
    ca_context_change_props(made, CA_PROP_APPLICATION_NAME, "Deal Watcher",
                            CA_PROP_APPLICATION_ID, "io.github.dealwatcher",
                            CA_PROP_APPLICATION_ICON_NAME, "dealwatcher",
                            nullptr);
    return made;
  }();
  return context;
}

}  // namespace

bool PlayEventSound() {
  ca_context* context = SharedContext();
  return context &&
         ca_context_play(context, 0, CA_PROP_EVENT_ID, "message-new-instant",
                         CA_PROP_EVENT_DESCRIPTION, "New posts",
                         nullptr) == CA_SUCCESS;
}

}  // namespace dw
