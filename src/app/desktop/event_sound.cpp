#include "app/desktop/event_sound.h"

#include <canberra.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

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

bool HasPlaybackDevice(const std::string& folder) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end;
       !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    // pcmC<card>D<device>p: a playback device.
    if (name.rfind("pcmC", 0) == 0 && name.back() == 'p') return true;
  }
  return false;
}

}  // namespace

SoundPlaces SessionSoundPlaces() {
  SoundPlaces places;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
    places.runtime_folder = runtime;
  }
  if (const char* server = std::getenv("PULSE_SERVER")) {
    places.pulse_server = server;
  }
  return places;
}

std::string NoSoundReason(const SoundPlaces& places) {
  if (!places.pulse_server.empty()) return "";
  if (HasPlaybackDevice(places.device_folder)) return "";
  std::error_code error;
  for (const char* socket : {"pulse/native", "pipewire-0"}) {
    if (!places.runtime_folder.empty() &&
        std::filesystem::exists(
            std::filesystem::path(places.runtime_folder) / socket, error)) {
      return "";
    }
  }
  return "no sound device or sound server";
}

bool PlayEventSound(std::string* why) {
  static const std::string no_sound = NoSoundReason(SessionSoundPlaces());
  std::string problem = no_sound;
  if (problem.empty()) {
    ca_context* context = SharedContext();
    const int played = context ? ca_context_play(context, 0, CA_PROP_EVENT_ID,
                                                 "message-new-instant",
                                                 CA_PROP_EVENT_DESCRIPTION,
                                                 "New posts", nullptr)
                               : CA_ERROR_NOTAVAILABLE;
    if (played != CA_SUCCESS) problem = ca_strerror(played);
  }
  if (why) *why = problem;
  return problem.empty();
}

}  // namespace dw
