// Registrations in the dbase: the livery key recorded for an aircraft registration, found also
// when the registration comes without its dash, and the registration named inside a text such
// as a livery title.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "refdata/livery_key.h"

namespace skyloom {

// The key of the dbase's registration record for the text, or no value. A text of 5 or more
// characters that does not start with 'N' and holds no '-' is tried with a '-' after its second
// character, then with a '-' after its first character, then unchanged ("DAIBA" finds
// "D-AIBA"); any other text only unchanged. Keys from this table have fromRegistration = 1.
std::optional<LiveryKey> gf_findRegistration(std::string_view registration);

// The registration of the first registration record, in the records' sorted order, whose
// registration has fewer than 6 characters and occurs in the text (case-sensitive); no value
// when none does.
std::optional<std::string> gf_registrationInText(std::string_view text);

} // namespace skyloom
