// The similar-model definitions: from the dbase's groups of similar models, the models that can
// stand in for one another, restricted to what is installed. Two tables, built once the livery
// tables exist and then read (and reordered in place) by the livery choice on the main worker
// thread:
// - by model: model id -> the other models of its groups that have liveries;
// - by airline: (airline id, model id that the airline has no livery of) -> the other models of
//   its groups that the airline has liveries of.
// What is installed is asked through `InstalledLiveries`, which the livery tables implement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <span>

#include "refdata/livery_key.h"

namespace skyloom {

// What the livery tables tell about the installed liveries.
class InstalledLiveries {
public:
    virtual ~InstalledLiveries() = default;
    // The airline ids that have liveries (gf_airlinesWithLiveries).
    virtual std::set<std::uint16_t> airlinesWithLiveries() const = 0;
    // True when the key's airline has a livery of the key's model; operator and cargo are
    // ignored (gf_hasAirlineModelLivery).
    virtual bool hasAirlineModelLivery(const LiveryKey& key) const = 0;
};

// The livery tables hand themselves over once they exist (nullptr withdraws them). The object
// must outlive its use by gf_createSimilarModelDefs.
void gf_setInstalledLiveries(const InstalledLiveries* liveries);

// Rebuilds both tables from the current dbase and `liveries`, interning the group's codes
// (gf_modelId). Logs "{:5} similar model definitions" with the number of entries of both
// tables together, or "No similar model definitions with installed liveries found". Returns
// that number.
std::size_t gf_createSimilarModelDefs(const InstalledLiveries& liveries);
// The same with the livery tables handed over by gf_setInstalledLiveries; throws
// std::logic_error when none were.
std::size_t gf_createSimilarModelDefs();

// The list of a model, empty when it has none. The caller may reorder it in place; it stays
// valid until the next build or clear. Main worker thread only.
std::span<std::uint16_t> gf_similarModels(std::uint16_t modelId);
// The list of an airline (or operator) and a model it has no livery of, empty when none.
std::span<std::uint16_t> gf_similarModelsOfAirline(std::uint16_t airlineId, std::uint16_t modelId);

// Empties both tables.
void gf_clearSimilarModelDefs();

} // namespace skyloom
