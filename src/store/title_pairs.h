// The words of the index that finds one- and two-character search words:
// each character of a title and each two side by side, written so that the
// full-text module's plain ASCII tokenizer takes them as they are and any
// SQLite reads them. Digits and signs alone or beside their like are left
// out: they are the prices in every title, so a scan finds them at once,
// and they would double the index and the time to fill it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dw {

// The index words of a UTF-8 title, separated by spaces. ASCII letters are
// folded to small ones, as a search folds them; a space or a tab is in no
// word, since search words never hold one.
std::string TitlePairs(std::string_view title);

// The index word that finds titles holding `word`. Nothing when the word is
// not one or two characters with a letter or one beyond ASCII, holds a
// space or is not sound UTF-8: the caller then scans for it.
std::optional<std::string> PairWord(std::string_view word);

}  // namespace dw
