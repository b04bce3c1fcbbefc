#include "liveries/airline_names.h"

#include <string>
#include <unordered_map>
#include <utility>

#include "foundation/fnv_hash.h"

namespace skyloom {
namespace {

using NameTable = std::unordered_map<std::string_view, std::string_view, FnvStringHash>;

const NameTable& lf_airlineNames() {
    static const NameTable table = [] {
        static constexpr std::pair<std::string_view, std::string_view> kPairs[] = {
            {"AAL", "American"},
            {"AAR", "Asiana"},
            {"AAY", "Allegiant"},
            {"ACA", "Air Canada"},
            {"AFR", "Air France"},
            {"AIC", "Air India"},
            {"ANA", "ANA"},
            {"ANZ", "Air New Zealand"},
            {"ASA", "Alaska"},
            {"ASH", "Mesa"},
            {"AUA", "Austrian"},
            {"AVA", "Avianca"},
            {"BAW", "British Airways"},
            {"BEL", "Brussels"},
            {"BOX", "AeroLogic"},
            {"CAI", "Corendon"},
            {"CCA", "Air China"},
            {"CES", "China Eastern"},
            {"CFE", "BA CityFlyer"},
            {"CHH", "Hainan"},
            {"CPA", "Cathay"},
            {"CSN", "China Southern"},
            {"DAE", "DHL Aero"},
            {"DAL", "Delta"},
            {"DHK", "DHL Air"},
            {"DLH", "Lufthansa"},
            {"EDV", "Endeavor"},
            {"EIN", "Aer Lingus"},
            {"ETH", "Ethiopian"},
            {"ETD", "Etihad"},
            {"EVA", "EVA Air"},
            {"EZY", "easyJet"},
            {"FDX", "FedEx"},
            {"FFT", "Frontier"},
            {"FIN", "Finnair"},
            {"FJO", "Flexjet"},
            {"GJS", "GoJet"},
            {"IBE", "Iberia"},
            {"JAL", "Japan Airlines"},
            {"JBU", "JetBlue"},
            {"JIA", "PSA Airlines"},
            {"JZA", "Jazz"},
            {"KAL", "Korean Air"},
            {"KLC", "Cityhopper"},
            {"KLM", "KLM"},
            {"LAN", "LATAM"},
            {"LOT", "LOT"},
            {"LRC", "Avianca"},
            {"NKS", "Spirit"},
            {"PDT", "Piedmont"},
            {"PRM", "Prime Air"},
            {"QFA", "Qantas"},
            {"QLK", "QantasLink"},
            {"QTR", "Qatar"},
            {"QXE", "Horizon"},
            {"RPA", "Republic"},
            {"RYR", "Ryanair"},
            {"SAS", "Scandinavian"},
            {"SIA", "Singapore"},
            {"SKW", "SkyWest"},
            {"SWA", "Southwest"},
            {"SWR", "Swiss"},
            {"TAP", "TAP"},
            {"THY", "Turkish"},
            {"TVF", "Transavia"},
            {"UAL", "United"},
            {"UAE", "Emirates"},
            {"UPS", "UPS"},
            {"VIR", "Virgin Atlantic"},
            {"VJT", "VistaJet"},
            {"VLG", "Vueling"},
            {"WJA", "WestJet"},
        };
        static_assert(std::size(kPairs) == 72);
        NameTable names;
        names.max_load_factor(0.7f);
        names.reserve(std::size(kPairs));
        for (const auto& [code, name] : kPairs) {
            names.emplace(code, name);
        }
        return names;
    }();
    return table;
}

} // namespace

std::string_view gf_airlineName(std::string_view code) {
    const auto& names = lf_airlineNames();
    const auto it = names.find(code);
    return it == names.end() ? std::string_view() : it->second;
}

} // namespace skyloom
