// The words a history search is given, as the titles are compared with
// them: split where a reader sees a gap, and letters in either case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dw {

// The words of a UTF-8 search text. Any white space splits them, the wide
// space of Chinese input (U+3000) and the no-break space too, and so does
// a control character: no title holds one, and a zero byte would end the
// text of a statement.
std::vector<std::string> SearchWords(std::string_view text);

// The word with its letters in each mix of cases ("дж", "дЖ", "Дж", "ДЖ"),
// the word itself first; for words of a character or two, which the
// case-blind index does not take. Latin, Greek, Cyrillic, Armenian and
// the wide Latin letters have cases here.
std::vector<std::string> CaseVariants(std::string_view word);

}  // namespace dw
