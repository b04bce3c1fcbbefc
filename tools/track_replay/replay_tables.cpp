#include "tools/track_replay/replay_tables.h"

#include <algorithm>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "liveries/livery_record.h"
#include "liveries/livery_tables.h"
#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "refdata/dbase_lookups.h"

namespace skyloom::tools {

bool gf_publishReplayDbase(const std::map<std::string, std::vector<std::string>>& byCategory) {
    std::string models;
    std::string categories;
    for (const auto& [category, list] : byCategory) {
        for (const std::string& code : list) {
            models += fmt::format("<m c=\"{}\"/>", code);
        }
        if (category != "Light") {
            categories += fmt::format("<c n=\"{}\" m=\"{}\"/>", category, fmt::join(list, ","));
        }
    }
    const std::string xml = "<root><models>" + models + "</models><categories>" + categories +
                            "</categories></root>";
    pugi::xml_document document;
    if (!document.load_string(xml.c_str())) {
        return false;
    }
    gf_publishDbase(Dbase::fromDocument(document.child("root"), "replay models"));
    return true;
}

void gf_buildReplayLiveryTables(const std::vector<ReplayLivery>& liveries) {
    std::vector<LiveryRecord> records;
    for (const ReplayLivery& livery : liveries) {
        LiveryRecord record;
        record.title = livery.title;
        record.regcode = livery.regcode;
        record.key.airline = gf_airlineId(livery.airline);
        record.key.model = gf_modelId(livery.model);
        record.packageRank = 1;
        records.push_back(record);
    }
    std::sort(records.begin(), records.end(), gf_liveryLess);
    LiveryTables& tables = gf_liveryTables();
    tables.clear();
    gf_checkLiveryIndexes(tables, records);
    gf_fillLiveryTitleIndex(tables);
    gf_buildAirlineModelLiveries(tables);
    gf_createModelSorted(tables);
    for (const LiveryRecord& record : records) {
        auto& models =
            tables.categoryModels[static_cast<std::size_t>(gf_modelCategory(record.key.model))];
        if (std::find(models.begin(), models.end(), record.key.model) == models.end()) {
            models.push_back(record.key.model);
        }
        if (!record.regcode.empty()) {
            const std::string_view title = tables.findTitle(record.title);
            tables.regcodeLiveryMap[record.regcode] = title;
            tables.specialLiveryTitles.insert(title);
            tables.uniqueLiveryRegcodes.insert(record.regcode);
        }
    }
    for (auto& models : tables.categoryModels) {
        std::sort(models.begin(), models.end());
    }
}

} // namespace skyloom::tools
