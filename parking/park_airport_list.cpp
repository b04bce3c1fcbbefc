#include "parking/park_airport_list.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/text_files.h"
#include "parking/airport_store.h"
#include "refdata/airports.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view lf_plural(std::size_t count) {
    return count == 1 ? "" : "s";
}

bool lf_isZero(const Lalo& position) {
    return position.lat == 0.0 && position.lon == 0.0;
}

// Lines end at LF, a CR before it is dropped; no empty last line after a final LF.
std::vector<std::string> lf_lines(std::string_view text) {
    if (text.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
    }
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (end != std::string_view::npos && line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

// The lines the file holds for a list: one line per entry (the code, "," and the name when there
// is one) in ascending byte order, then the preserved lines in their order.
std::vector<std::string> lf_fileLines(std::deque<ParkAirport> list,
                                      const std::vector<std::string>& preserved) {
    gf_dropDuplicateParkAirports(list);
    std::vector<std::string> lines;
    for (const ParkAirport& entry : list) {
        lines.push_back(entry.name.empty() ? entry.code.text()
                                           : fmt::format("{},{}", entry.code.view(), entry.name));
    }
    std::sort(lines.begin(), lines.end());
    lines.insert(lines.end(), preserved.begin(), preserved.end());
    return lines;
}

ParkAirport lf_entryOf(const AirportEntry& airport, std::string name) {
    return ParkAirport{std::move(name), airport.lat, airport.lon, airport.icao};
}

// Handles one line; false when the line is to be preserved.
bool lf_acceptLine(const std::string& line, std::deque<ParkAirport>& list, WindowSink& window) {
    const std::vector<std::string> parts = gf_splitComma(line);
    if (parts.empty()) {
        return false;
    }
    if (parts.size() > 2) {
        LogFile::writeImportant(fmt::format("{}:{} wrong syntax, preserved", kMyParkAirportsFileName, line));
        return false;
    }
    const std::optional<IcaoCode> code = IcaoCode::parse(parts[0]);
    if (!code) {
        LogFile::writeImportant(
            fmt::format("{}:{} invalid ICAO code, preserved", kMyParkAirportsFileName, line));
        return false;
    }
    const std::optional<AirportEntry> airport = gf_findAirportById(*code);
    if (!airport) {
        window.showStatusText(fmt::format("airport {} is unknown", parts[0]), true,
                              StatusWeight::warning);
        return false;
    }
    list.push_back(lf_entryOf(*airport, parts.size() == 2 ? parts[1] : std::string()));
    return true;
}

// Airports with a file named after them in my_thirdparty are park airports too.
void lf_scanParkAirportFolder(std::deque<ParkAirport>& list) {
    std::error_code ec;
    const fs::path folder = gf_myThirdpartyFolder();
    if (!fs::is_directory(folder, ec)) {
        return;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
        std::error_code typeError;
        if (!entry.is_regular_file(typeError)) {
            continue;
        }
        const std::optional<IcaoCode> code = IcaoCode::parse(entry.path().stem().string());
        if (!code || std::any_of(list.begin(), list.end(),
                                 [&](const ParkAirport& p) { return p.code == *code; })) {
            continue;
        }
        if (const std::optional<AirportEntry> airport = gf_findAirportById(*code)) {
            list.push_back(lf_entryOf(*airport, {}));
        }
    }
}

} // namespace

void gf_dropDuplicateParkAirports(std::deque<ParkAirport>& list) {
    std::deque<ParkAirport> kept;
    for (ParkAirport& entry : list) {
        const auto same = std::find_if(kept.begin(), kept.end(),
                                       [&](const ParkAirport& k) { return k.code == entry.code; });
        if (same == kept.end()) {
            kept.push_back(std::move(entry));
        } else if (same->name.empty() && !entry.name.empty()) {
            *same = std::move(entry);
        }
    }
    list = std::move(kept);
}

double gf_flatDistanceFromUserNM(const Lalo& user, const Lalo& position) {
    const double dy = (position.lat - user.lat) * geo::kFlatNMPerDegree;
    const double dx = (position.lon - user.lon) * std::cos(user.lat * geo::kRadiansPerDegree) *
                      geo::kFlatNMPerDegree;
    return std::sqrt(dx * dx + dy * dy);
}

fs::path ParkAirportList::path() {
    return gf_airportsFolder() / kMyParkAirportsFileName;
}

void ParkAirportList::readFile(WindowSink& window) {
    {
        const std::lock_guard lock(mutex_);
        readingCompleted_ = false;
    }
    const fs::path file = path();
    const std::string shown = gf_pathToUtf8(file);
    try {
        std::error_code ec;
        const fs::file_status status = fs::status(file, ec);
        if (ec && ec != std::errc::no_such_file_or_directory) {
            LogFile::writeImportant(fmt::format("Could not check '{}': {}", shown, ec.message()));
            return;
        }
        const bool existed = fs::exists(status);
        std::deque<ParkAirport> list;
        std::vector<std::string> preserved;
        if (!existed) {
            LogFile::write(fmt::format("No saved park airports file: '{}'", shown));
        } else {
            std::ifstream in(file, std::ios::binary);
            if (!in) {
                LogFile::writeImportant(fmt::format("Could not open '{}'", shown));
                return;
            }
            std::ostringstream text;
            text << in.rdbuf();
            if (in.bad()) {
                LogFile::writeImportant(fmt::format("Could not read '{}'", shown));
                return;
            }
            for (const std::string& line : lf_lines(text.str())) {
                if (!lf_acceptLine(line, list, window)) {
                    preserved.push_back(line);
                }
            }
        }
        gf_dropDuplicateParkAirports(list);
        const std::size_t read = list.size();
        lf_scanParkAirportFolder(list);
        gf_dropDuplicateParkAirports(list);
        const std::size_t total = list.size();
        const std::size_t added = total - read;
        if (existed) {
            LogFile::write(fmt::format("\n{:5} park airport{} read from '{}'", read, lf_plural(read),
                                       kMyParkAirportsFileName));
        }
        if (added != 0) {
            LogFile::write(fmt::format("{:5} park airport{} added from '{}'", added,
                                       lf_plural(added), gf_pathToUtf8(gf_myThirdpartyFolder())));
        }
        if (total != 0) {
            LogFile::write(
                fmt::format("{:5} park airport{} available in total", total, lf_plural(total)));
        }
        if (total > kManyParkAirports) {
            window.showStatusText(fmt::format("Warning: There are a lot of park airports ({}), "
                                              "that will cost Skyloom much cpu time and may cause "
                                              "stutters",
                                              total),
                                  true, StatusWeight::warning);
        }
        std::vector<std::string> saved =
            existed ? lf_fileLines(list, preserved) : std::vector<std::string>{};
        const std::lock_guard lock(mutex_);
        list_ = std::move(list);
        preserved_ = std::move(preserved);
        saved_ = std::move(saved);
        fileExisted_ = existed;
        readingCompleted_ = true;
        lastCheck_ = {0, 0};
        recheckNM_ = kParkAirportRecheckMinNM;
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("{}: {}", "gf_readMyParkAirportsFile", e.what()));
    }
}

void ParkAirportList::writeFile() {
    std::deque<ParkAirport> list;
    std::vector<std::string> preserved;
    bool existed = false;
    {
        const std::lock_guard lock(mutex_);
        if (!readingCompleted_) {
            LogFile::write("Park airports file not saved: reading was not completed");
            return;
        }
        list = list_;
        preserved = preserved_;
        existed = fileExisted_;
        readingCompleted_ = false;
    }
    const fs::path file = path();
    const std::vector<std::string> lines = lf_fileLines(std::move(list), preserved);
    if (lines.empty()) {
        if (existed) {
            LogFile::write(fmt::format("Park airports file left unchanged: '{}'", gf_pathToUtf8(file)));
        }
        return;
    }
    if (!gf_writeLinesToFile(file, lines)) {
        LogFile::writeImportant(fmt::format("Could not write '{}'", gf_pathToUtf8(file)));
    }
}

void ParkAirportList::saveChanges() {
    std::vector<std::string> lines;
    {
        const std::lock_guard lock(mutex_);
        if (!readingCompleted_) {
            return;
        }
        lines = lf_fileLines(list_, preserved_);
        if (lines.empty() || lines == saved_) {
            return;
        }
    }
    const fs::path file = path();
    if (!gf_writeLinesToFile(file, lines)) {
        LogFile::writeImportant(fmt::format("Could not write '{}'", gf_pathToUtf8(file)));
        return;
    }
    LogFile::write(fmt::format("Park airports saved to '{}'", gf_pathToUtf8(file)));
    const std::lock_guard lock(mutex_);
    saved_ = std::move(lines);
}

std::optional<ParkAirport> ParkAirportList::front() const {
    const std::lock_guard lock(mutex_);
    return list_.empty() ? std::nullopt : std::optional<ParkAirport>(list_.front());
}

std::optional<std::string> ParkAirportList::currentName() const {
    const std::lock_guard lock(mutex_);
    if (list_.empty() || list_.front().name.empty()) {
        return std::nullopt;
    }
    return list_.front().name;
}

std::optional<std::string> ParkAirportList::findName(const IcaoCode& code) const {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(list_.begin(), list_.end(),
                                    [&](const ParkAirport& p) { return p.code == code; });
    if (found == list_.end() || found->name.empty()) {
        return std::nullopt;
    }
    return found->name;
}

bool ParkAirportList::setName(const IcaoCode& code, std::string_view name) {
    const std::lock_guard lock(mutex_);
    if (list_.empty() || list_.front().code != code) {
        return false;
    }
    list_.front().name = name;
    return true;
}

bool ParkAirportList::reserveStand(const IcaoCode& code, std::string_view name) {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(list_.begin(), list_.end(),
                                    [&](const ParkAirport& entry) { return entry.code == code; });
    if (found == list_.end()) {
        return false;
    }
    found->name = name;
    return true;
}

void ParkAirportList::moveToFront(const IcaoCode& code, const Lalo& position,
                                  const std::string* name) {
    const std::lock_guard lock(mutex_);
    const auto found = std::find_if(list_.begin(), list_.end(),
                                    [&](const ParkAirport& p) { return p.code == code; });
    ParkAirport entry{{}, 0, 0, code};
    if (found != list_.end()) {
        entry = std::move(*found);
        list_.erase(found);
    }
    entry.latitude = position.lat;
    entry.longitude = position.lon;
    if (name != nullptr) {
        entry.name = *name;
    }
    list_.push_front(std::move(entry));
    lastCheck_ = {0, 0};
    recheckNM_ = kParkAirportRecheckMinNM;
}

void ParkAirportList::setPosition(const IcaoCode& code, const Lalo& position) {
    moveToFront(code, position, nullptr);
}

void ParkAirportList::setPositionAndName(const IcaoCode& code, const Lalo& position,
                                         std::string_view name) {
    const std::string text(name);
    moveToFront(code, position, &text);
}

void ParkAirportList::bringNearestToFront(const Lalo& user) {
    const std::lock_guard lock(mutex_);
    if (list_.empty()) {
        return;
    }
    if (!lf_isZero(lastCheck_) && gf_flatDistanceFromUserNM(user, lastCheck_) < recheckNM_) {
        return;
    }
    lastCheck_ = user;
    std::size_t nearest = list_.size();
    double best = 0;
    for (std::size_t i = 0; i < list_.size(); ++i) {
        const Lalo position = list_[i].position();
        if (lf_isZero(position)) {
            continue;
        }
        const double distance = gf_flatDistanceFromUserNM(user, position);
        if (nearest == list_.size() || distance < best) {
            nearest = i;
            best = distance;
        }
    }
    if (nearest == list_.size()) {
        return;
    }
    if (nearest != 0) {
        std::swap(list_[0], list_[nearest]);
    }
    recheckNM_ = std::max(kParkAirportRecheckMinNM, gf_distanceNM(user, list_[0].position()) / 2.0);
}

std::vector<ParkAirport> ParkAirportList::entries() const {
    const std::lock_guard lock(mutex_);
    return {list_.begin(), list_.end()};
}

ParkAirportList& gf_parkAirportList() {
    static ParkAirportList list;
    return list;
}

void gf_readMyParkAirportsFile(WindowSink& window) {
    gf_parkAirportList().readFile(window);
}

void gf_writeMyParkAirportsFile() {
    gf_parkAirportList().writeFile();
}

std::optional<ParkAirport> gf_frontParkAirport() {
    return gf_parkAirportList().front();
}

std::optional<std::string> gf_currentParkAirportName() {
    return gf_parkAirportList().currentName();
}

std::optional<std::string> gf_findParkAirportName(const IcaoCode& code) {
    return gf_parkAirportList().findName(code);
}

bool gf_setParkAirportName(const IcaoCode& code, std::string_view name) {
    return gf_parkAirportList().setName(code, name);
}

void gf_setParkAirportPosition(const IcaoCode& code, const Lalo& position) {
    gf_parkAirportList().setPosition(code, position);
}

void gf_setParkAirportPositionAndName(const IcaoCode& code, const Lalo& position,
                                      std::string_view name) {
    gf_parkAirportList().setPositionAndName(code, position, name);
}

void gf_bringNearestParkAirportToFront(const Lalo& user) {
    gf_parkAirportList().bringNearestToFront(user);
}

} // namespace skyloom
