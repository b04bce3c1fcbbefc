// Helpers for the airport-scan tests: a window that records what the scan shows, an
// airport-file writer that records what it is given (and can be told to refuse), archives
// documents written from text, and a scan context over a temporary airports folder whose
// code tests accept a chosen set of airports.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "airportscan/publisher_lists.h"
#include "airportscan/scan_context.h"
#include "runtime/stop_request.h"
#include "refdata/airport_file.h"

namespace skyloom::testing {

class RecordingScanWindow : public ScanWindow {
public:
    void showStatusText(std::string text, bool log) override {
        statusTexts.push_back(std::move(text));
        statusLogged.push_back(log);
    }
    void setSimaddonCount(std::uint64_t count) override { simaddonCounts.push_back(count); }
    void setThirdpartyCount(std::uint64_t count) override { thirdpartyCounts.push_back(count); }

    std::vector<std::string> statusTexts;
    std::vector<bool> statusLogged;
    std::vector<std::uint64_t> simaddonCounts;
    std::vector<std::uint64_t> thirdpartyCounts;
};

// Records every airport it is asked to write, with its target; with `succeed` set it also
// leaves a file at the target (so that folder counts see it), otherwise it refuses.
struct RecordingWriter {
    struct Call {
        AirportFile airport;
        std::filesystem::path target;
    };
    std::vector<Call> calls;
    bool succeed = true;

    AirportFileWriter writer();
};

// Writes an archives document (the text inside `root`) as archives.xml into the folder.
void gf_writeArchivesXml(const std::filesystem::path& folder, std::string_view rootContent);

// Publisher lists read from an archives document for MSFS 2020.
PublisherLists gf_publisherListsFrom(const std::filesystem::path& folder,
                                     std::string_view rootContent);

// The scan's working data over `base`/airports with its my_simaddon and my_thirdparty folders (not
// yet created) and `base`/AirportsScanLog.txt; the code tests accept the codes of `airports`.
struct ScanFixture {
    ScanFixture(const std::filesystem::path& base, std::set<std::string> airports);

    AirportScanContext context();

    StopControl stop;
    PublisherLists publishers;
    std::vector<std::string> scanLog;
    RecordingScanWindow window;
    RecordingWriter writer;
    std::set<std::string> airports;
    std::filesystem::path simaddonFolder;
    std::filesystem::path thirdpartyFolder;
    std::filesystem::path scanLogFile;
};

// True when a line of the list equals the text.
bool gf_hasLine(const std::vector<std::string>& lines, std::string_view text);
// The whole text of a file.
std::string gf_fileText(const std::filesystem::path& path);

} // namespace skyloom::testing
