#include "app/desktop/event_sound.h"

#include <canberra.h>

namespace dw {

EventSound::~EventSound() {
  if (context_) ca_context_destroy(context_);
}

bool EventSound::Play() {
  // Made at the first sound, so a program that never sounds never loads an
  // audio back end.
  if (!context_ && !failed_) {
    if (ca_context_create(&context_) != CA_SUCCESS) {
      context_ = nullptr;
      failed_ = true;
    } else {
      ca_context_change_props(
          context_, CA_PROP_APPLICATION_NAME, "Deal Watcher",
          CA_PROP_APPLICATION_ID, "io.github.dealwatcher",
          CA_PROP_APPLICATION_ICON_NAME, "dealwatcher", nullptr);
    }
  }
  if (!context_) return false;
  return ca_context_play(context_, 0, CA_PROP_EVENT_ID, "message-new-instant",
                         CA_PROP_EVENT_DESCRIPTION, "New posts",
                         nullptr) == CA_SUCCESS;
}

}  // namespace dw
