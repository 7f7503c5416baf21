#pragma once

#include <string>

// Texts the collection engine shows, in GBK.

namespace dw {

// "开始采集 "
inline constexpr char kStatusCollecting[] = "\xBF\xAA\xCA\xBC\xB2\xC9\xBC\xAF ";

// "本轮执行完毕，下一波将在150s后采集.."
inline constexpr char kStatusRoundDone[] =
    "\xB1\xBE\xC2\xD6\xD6\xB4\xD0\xD0\xCD\xEA\xB1\xCF\xA3\xAC\xCF\xC2\xD2\xBB"
    "\xB2\xA8\xBD\xAB\xD4\xDA"
    "150s"
    "\xBA\xF3\xB2\xC9\xBC\xAF..";

// What comes before and after the seconds in it.
inline constexpr char kStatusRoundDoneBefore[] =
    "\xB1\xBE\xC2\xD6\xD6\xB4\xD0\xD0\xCD\xEA\xB1\xCF\xA3\xAC\xCF\xC2\xD2\xBB"
    "\xB2\xA8\xBD\xAB\xD4\xDA";
inline constexpr char kStatusRoundDoneAfter[] = "s\xBA\xF3\xB2\xC9\xBC\xAF..";

// kStatusRoundDone with the pause the worker really takes, in whole seconds
// rounded up ("...在150s后采集.." at 150 s).
std::string RoundDoneStatus(int round_pause_ms);

}  // namespace dw
