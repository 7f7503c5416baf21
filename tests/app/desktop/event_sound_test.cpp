#include "app/desktop/event_sound.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace dw {
namespace {

namespace fs = std::filesystem;

// Without a playback device or a sound server nothing is tried, so the
// sound driver has nothing to print.
TEST(EventSound, SoundIsTriedOnlyWhereADeviceOrServerIs) {
  const fs::path dir =
      fs::temp_directory_path() / ("dw_sound_" + std::to_string(::getpid()));
  struct Case {
    const char* file;  // under dev/ or run/
    const char* pulse_server;
    bool sound;
  } cases[] = {{nullptr, "", false},
               {"dev/pcmC0D0c", "", false},  // capture only
               {"dev/controlC0", "", false},
               {"dev/pcmC0D0p", "", true},
               {"run/pulse/native", "", true},
               {"run/pipewire-0", "", true},
               {nullptr, "tcp:sound.test", true}};
  for (const Case& c : cases) {
    fs::remove_all(dir);
    fs::create_directories(dir / "dev");
    fs::create_directories(dir / "run/pulse");
    if (c.file) std::ofstream(dir / c.file) << "";
    const SoundPlaces places{(dir / "dev").string(), (dir / "run").string(),
                             c.pulse_server};
    EXPECT_EQ(NoSoundReason(places).empty(), c.sound)
        << (c.file ? c.file : c.pulse_server);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace dw
