#include "tests/airportscan/support/scan_test_support.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "foundation/text_files.h"

namespace skyloom::testing {

AirportFileWriter RecordingWriter::writer() {
    return [this](const AirportFile& airport, const std::filesystem::path& target) {
        calls.push_back(Call{airport, target});
        return succeed && gf_writeFile("recorded", target, true);
    };
}

void gf_writeArchivesXml(const std::filesystem::path& folder, std::string_view rootContent) {
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / "archives.xml", std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>" << rootContent << "</root>\n";
}

PublisherLists gf_publisherListsFrom(const std::filesystem::path& folder,
                                     std::string_view rootContent) {
    gf_writeArchivesXml(folder, rootContent);
    PublisherLists lists;
    gf_readPublishers(lists, true, folder);
    return lists;
}

ScanFixture::ScanFixture(const std::filesystem::path& base, std::set<std::string> codes)
    : airports(std::move(codes)), simaddonFolder(base / "airports" / kMySimaddonFolderName),
      thirdpartyFolder(base / "airports" / kMyThirdpartyFolderName),
      scanLogFile(base / kScanLogFileName) {}

AirportScanContext ScanFixture::context() {
    auto accepted = [this](const IcaoCode& code) { return airports.contains(code.text()); };
    return AirportScanContext{stop, publishers,     scanLog,          window,
                              writer.writer(), {accepted, accepted}, simaddonFolder,
                              thirdpartyFolder, scanLogFile};
}

bool gf_hasLine(const std::vector<std::string>& lines, std::string_view text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

std::string gf_fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace skyloom::testing
