// The reference tables a replay through the live traffic needs, built straight from a few
// records instead of the program's data sets: a dbase of the replayed models by category, and
// the program's livery tables holding exactly the given liveries.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace skyloom::tools {

struct ReplayLivery {
    std::string title;
    std::string airline;
    std::string model;
    std::string regcode; // a livery made for this one aircraft
};

// Publishes a dbase knowing the models, each of the category it is listed under ("Large",
// "Heavy", ...; a model under "Light" is known without a category list). False when the
// document cannot be built.
bool gf_publishReplayDbase(const std::map<std::string, std::vector<std::string>>& byCategory);
// The program's livery tables, holding exactly these liveries.
void gf_buildReplayLiveryTables(const std::vector<ReplayLivery>& liveries);

} // namespace skyloom::tools
