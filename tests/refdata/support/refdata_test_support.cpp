#include "tests/refdata/support/refdata_test_support.h"

#include <fmt/format.h>

#include "foundation/encrypted_file.h"
#include "runtime/stop_request.h"
#include "foundation/file_header.h"
#include "foundation/version.h"
#include "refdata/airports.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/download_area.h"
#include "refdata/park_airport.h"
#include "refdata/similar_models.h"
#include "refdata/weekly_airports.h"

namespace skyloom::testing {

std::string dataSetXml(std::string_view name, std::string_view version, std::string_view body) {
    return fmt::format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
                       "  <meta version=\"{}\" sim=\"2\" copyright=\"{}\" program=\"Skyloom\"/>\n"
                       "  <dataset name=\"{}\" version=\"{}\"/>\n{}\n</root>\n",
                       gf_programVersionText(), kMakerCopyright, name, version, body);
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
