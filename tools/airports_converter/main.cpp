// skyloom_airports_convert: turns an OurAirports airports.csv (public domain) into the program's
// airports data set (docs/data-sets.md). Every airport that is not closed and has an ICAO code
// becomes one entry; the first row of a code wins.
//
//   skyloom_airports_convert <airports.csv> <airports.xml> [data-set version]
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "foundation/geodesy.h"
#include "foundation/iata_code.h"
#include "foundation/icao_code.h"
#include "foundation/xml.h"
#include "refdata/data_set.h"

namespace {

using Row = std::vector<std::string>;

// RFC 4180 fields: quoted fields may hold commas, doubled quotes and line breaks.
std::vector<Row> lf_parseCsv(const std::string& text) {
    std::vector<Row> rows;
    Row row;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
        } else {
            field += c;
        }
    }
    if (!field.empty() || !row.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

int lf_run(const std::string& input, const std::string& output, const std::string& version) {
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        fmt::print(stderr, "cannot open {}\n", input);
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    auto rows = lf_parseCsv(text.str());
    if (rows.empty()) {
        fmt::print(stderr, "{} is empty\n", input);
        return 1;
    }
    std::map<std::string, std::size_t> column;
    for (std::size_t i = 0; i < rows[0].size(); ++i) {
        column[rows[0][i]] = i;
    }
    for (const char* name :
         {"type", "icao_code", "iata_code", "latitude_deg", "longitude_deg", "elevation_ft"}) {
        if (!column.contains(name)) {
            fmt::print(stderr, "{} has no column '{}'\n", input, name);
            return 1;
        }
    }
    auto at = [&](const Row& row, const char* name) -> std::string {
        const auto index = column.at(name);
        return index < row.size() ? row[index] : std::string();
    };

    pugi::xml_document document;
    auto airports =
        skyloom::gf_startDataSetDocument(document, "airports", version).append_child("airports");
    std::set<std::string> written;
    std::size_t skipped = 0;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (row.size() < 2 || at(row, "type") == "closed") {
            continue;
        }
        const auto icao = skyloom::IcaoCode::parse(at(row, "icao_code"));
        if (!icao || written.contains(icao->text())) {
            continue;
        }
        double lat = 0.0;
        double lon = 0.0;
        try {
            lat = std::stod(at(row, "latitude_deg"));
            lon = std::stod(at(row, "longitude_deg"));
        } catch (const std::exception&) {
            ++skipped;
            continue;
        }
        if (!skyloom::gf_isValidLalo(skyloom::Lalo{lat, lon})) {
            ++skipped;
            continue;
        }
        auto ap = airports.append_child("ap");
        ap.append_attribute("i") = icao->text().c_str();
        if (const auto iata = skyloom::IataCode::parse(at(row, "iata_code"))) {
            ap.append_attribute("a") = iata->text().c_str();
        }
        ap.append_attribute("la") = fmt::format("{:.6f}", lat).c_str();
        ap.append_attribute("lo") = fmt::format("{:.6f}", lon).c_str();
        long elevation = 0;
        try {
            elevation = std::lround(std::stod(at(row, "elevation_ft")));
        } catch (const std::exception&) {
            // Unknown elevations are common for small fields; sea level is the usual guess.
        }
        ap.append_attribute("al") = fmt::format("{}", elevation).c_str();
        written.insert(icao->text());
    }
    const auto folder = std::filesystem::path(output).parent_path();
    std::error_code ec;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, ec);
    }
    if (!skyloom::gf_saveXml(document, output)) {
        fmt::print(stderr, "cannot write {}\n", output);
        return 1;
    }
    fmt::print("{}: {} airports ({} rows without a usable position)\n", output, written.size(),
               skipped);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        fmt::print(stderr, "usage: skyloom_airports_convert <airports.csv> <airports.xml> "
                           "[data-set version]\n");
        return 2;
    }
    try {
        return lf_run(argv[1], argv[2], argc == 4 ? argv[3] : "1.0.0");
    } catch (const std::exception& e) {
        fmt::print(stderr, "{}\n", e.what());
        return 1;
    }
}
