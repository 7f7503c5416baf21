#pragma once

namespace dw {

// Plays the desktop's own "new message" sound from its sound theme through
// the desktop's event-sound library, and returns at once. Where no sound
// device, server or theme is, it quietly plays nothing: false then.
bool PlayEventSound();

}  // namespace dw
