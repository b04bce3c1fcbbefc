#include "tests/refdata/support/refdata_test_support.h"

#include <algorithm>
#include <fstream>
#include <span>
#include <sstream>
#include <stdexcept>

#include <fmt/format.h>

#include "foundation/encrypted_file.h"
#include "foundation/file_header.h"
#include "foundation/log_file.h"
#include "foundation/version.h"
#include "refdata/airports.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/download_area.h"
#include "refdata/park_airport.h"
#include "refdata/similar_models.h"
#include "refdata/weekly_airports.h"

namespace skyloom::testing {

CapturedLog::CapturedLog() {
    LogFile::openIn(dir_.path());
}

CapturedLog::~CapturedLog() {
    LogFile::close();
}

std::vector<std::string> CapturedLog::lines() const {
    LogFile::flush();
    std::ifstream in(dir_ / "Log.txt", std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!first) {
            lines.push_back(line);
        }
        first = false;
    }
    return lines;
}

bool CapturedLog::has(std::string_view line) const {
    const auto all = lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

bool CapturedLog::contains(std::string_view part) const {
    const auto all = lines();
    return std::any_of(all.begin(), all.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

std::string dataSetXml(std::string_view name, std::string_view version, std::string_view body) {
    return fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
                       "  <meta version=\"{}\" sim=\"2\" copyright=\"{}\" program=\"Skyloom\"/>\n"
                       "  <dataset name=\"{}\" version=\"{}\"/>\n{}\n</root>\n",
                       gf_programVersionText(), kMakerCopyright, name, version, body);
}

void writeText(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

void writeEncrypted(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const auto written = gf_writeEncryptedFile(path, std::span(bytes, text.size()));
    if (!written.ok) {
        throw std::runtime_error(written.error);
    }
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> splitFields(std::string_view line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

void resetReferenceData() {
    gf_modelCodeTable().reset();
    gf_airlineCodeTable().reset();
    gf_publishDbase(nullptr);
    gf_setAirports({});
    gf_setClosestStandReader({});
    gf_parkAirportEntry().clear();
    gf_clearWeeklyTrafficAirports();
    gf_clearSimilarModelDefs();
    gf_setInstalledLiveries(nullptr);
    gf_setDownloadAreaMaintenance(false);
    gf_setDownloadAreaBase("");
}

} // namespace skyloom::testing
