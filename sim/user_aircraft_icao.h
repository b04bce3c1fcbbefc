// The translation of the user aircraft's model text (its "ATC MODEL") into an ICAO type code.
// Aircraft makers fill that text as they like: wrapped in a localisation key, with a prefix,
// or with a marketing name. After normalising it, three tables map the texts known to differ
// from their ICAO code, some only together with a part of the aircraft's title; a code counts
// only when the dbase knows it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skyloom {

// The text without white space (blank, tab, line feed, vertical tab, form feed, carriage
// return) at either end.
std::string gf_trimText(std::string_view text);

// Trimmed; a leading "ATCCOM.AC_MODEL " and a trailing ".0.text" removed, then a leading "$$:";
// trimmed again.
std::string gf_normalizeModelText(std::string_view model);

// The ICAO code the model text stands for: table A (model and title part), else table B
// (exact model), else table C (model contains), else the normalised text itself; only a code
// that is not empty and that the dbase knows (gf_isKnownModel) is returned. Case-sensitive.
std::optional<std::string> gf_userModelToIcao(std::string_view model, std::string_view title);

} // namespace skyloom
