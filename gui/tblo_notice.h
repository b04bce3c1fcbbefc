// The unmatched-airport notice: while tblo.zip waits to be mailed to the maker, the program
// asks the user on the status line to push the "Tblo" button and mail it. The flag is set by
// the airport scan when it has made tblo.zip and cleared when the user pushes "Tblo" (or a
// scan empties the folder); while it is set, clearing the status line shows the notice
// instead.
#pragma once

#include <string>
#include <string_view>

namespace skyloom {

// Where the maker wants tblo.zip.
inline constexpr std::string_view kSupportEmailAddress = "support@skyloom.example";

bool gf_tbloNoticePending() noexcept;
void gf_setTbloNoticePending(bool pending) noexcept;

// "Push the tblo button and mail 'tblo.zip' to {address}, please".
std::string gf_tbloNoticeText();

// Shows the notice on the status line of the program's window, not logged.
void gf_showTbloNotice() noexcept;

} // namespace skyloom
