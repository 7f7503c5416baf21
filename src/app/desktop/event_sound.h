#pragma once

struct ca_context;

namespace dw {

// The desktop's own "new message" sound from its sound theme, played
// through the desktop's event-sound library. Play returns at once; where
// no sound device, server or theme is, it quietly plays nothing.
class EventSound {
 public:
  EventSound() = default;
  ~EventSound();
  EventSound(const EventSound&) = delete;
  EventSound& operator=(const EventSound&) = delete;

  // False when nothing could be played.
  bool Play();

 private:
  ca_context* context_ = nullptr;
  bool failed_ = false;  // no context can be had: not asked again
};

}  // namespace dw
