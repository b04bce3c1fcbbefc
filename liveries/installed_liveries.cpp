#include "liveries/installed_liveries.h"

#include <utility>

namespace skyloom {
namespace {

std::vector<LiveryRecord>& lf_installedLiveries() {
    static std::vector<LiveryRecord> records;
    return records;
}

} // namespace

const std::vector<LiveryRecord>& gf_installedLiveries() {
    return lf_installedLiveries();
}

void gf_replaceInstalledLiveries(std::vector<LiveryRecord> records) {
    lf_installedLiveries() = std::move(records);
}

} // namespace skyloom
