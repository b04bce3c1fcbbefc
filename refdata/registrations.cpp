#include "refdata/registrations.h"

#include "refdata/dbase.h"

namespace skyloom {

std::optional<LiveryKey> gf_findRegistration(std::string_view registration) {
    if (registration.empty()) {
        return std::nullopt;
    }
    const auto dbase = gf_dbase();
    if (registration.size() >= 5 && registration.front() != 'N' &&
        registration.find('-') == std::string_view::npos) {
        for (const std::size_t dashAt : {std::size_t{2}, std::size_t{1}}) {
            std::string dashed(registration.substr(0, dashAt));
            dashed += '-';
            dashed += registration.substr(dashAt);
            if (const auto* record = dbase->findRegistration(dashed)) {
                return record->key;
            }
        }
    }
    if (const auto* record = dbase->findRegistration(registration)) {
        return record->key;
    }
    return std::nullopt;
}

std::optional<std::string> gf_registrationInText(std::string_view text) {
    const auto dbase = gf_dbase();
    for (const auto* record : dbase->shortRegistrations()) {
        if (text.find(record->registration) != std::string_view::npos) {
            return record->registration;
        }
    }
    return std::nullopt;
}

} // namespace skyloom
