#pragma once

#include <string>

namespace dw {

// Where a sound could go: a sound card's device files, or a sound server's
// socket in the user's runtime folder (or named by `pulse_server`).
struct SoundPlaces {
  std::string device_folder = "/dev/snd";
  std::string runtime_folder;  // $XDG_RUNTIME_DIR
  std::string pulse_server;    // $PULSE_SERVER
};

// The places of this session.
SoundPlaces SessionSoundPlaces();

// Why no sound can be played there; empty when a playback device or a
// sound server is there. Without either the sound library's driver would
// only print its failures on the terminal.
std::string NoSoundReason(const SoundPlaces& places);

// Plays the desktop's own "new message" sound from its sound theme through
// the desktop's event-sound library, and returns at once. Where no sound
// device, server or theme is, it quietly plays nothing: false then, and
// `why` says why.
bool PlayEventSound(std::string* why = nullptr);

}  // namespace dw
