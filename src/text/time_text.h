// Date and time text of the program, built from an OLE date without any
// platform call.
#pragma once

#include <string>

#include "runtime/date_time.h"

namespace dw {

// The current local time as text. Short form (every caller): "M/d hh:mm",
// e.g. 5/31 15:15. Long form: "yyyy/M/d hh:mm:ss". Both count hours on the
// 24-hour clock: the pictures carry no morning/afternoon marker, so a
// 12-hour count would show 15:15 and 03:15 alike.
std::string TimeText(bool longForm = false);

// TimeText for a given moment.
std::string TimeTextAt(DateTime value, bool longForm);

// The date part (from datePicture) followed directly by the time part (from
// timePicture). A picture shorter than 3 bytes gives an empty part; a value
// that is not a valid date gives empty text.
//
// Date letters: d dd (day), ddd dddd (weekday name), M MM (month), MMM MMMM
// (month name), y yy (year in two digits), yyyy (year in four digits). Time
// letters: h hh (12-hour clock, 1..12), H HH (24-hour), m mm, s ss, t tt
// (morning or afternoon marker). Text in single quotes is copied ('' is one
// quote); every other character is copied, a double-byte one whole.
// use24Hour makes h and hh count like H and HH.
std::string FormatDateTime(DateTime value, const std::string& datePicture,
                           const std::string& timePicture, bool use24Hour);

}  // namespace dw
