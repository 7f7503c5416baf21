#include "collect/collect_texts.h"

namespace dw {

std::string RoundDoneStatus(int round_pause_ms) {
  const int seconds = round_pause_ms <= 0 ? 0 : (round_pause_ms + 999) / 1000;
  return std::string(kStatusRoundDoneBefore) + std::to_string(seconds) +
         kStatusRoundDoneAfter;
}

}  // namespace dw
