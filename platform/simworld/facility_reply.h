// The world's answer to a facility request: one FACILITY_DATA message per record, depth first
// in the order of the definition's blocks (the airport, then for each child block its records,
// each followed by its own children, such as a runway's two thresholds), and the closing
// FACILITY_DATA_END. Each record carries the fields its block of the definition asks for, in
// that order and in their facility types; unique ids count on per connection, and a child
// names its parent's unique id.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/simworld/facility_fields.h"
#include "platform/simworld/facility_setup.h"
#include "platform/simworld/messages.h"

namespace skyloom::simworld {

struct FacilityReply {
    std::vector<QueuedMessage> messages; // the records, then the end unless it is withheld
    std::string note;                    // what was sent, for the journal
};

// `nextUniqueId` is the connection's counter; it moves on by one per record, sent or withheld.
FacilityReply gf_facilityReply(const FacilityBlock& definition, const AirportFacilitySetup& airport,
                               DWORD requestId, DWORD& nextUniqueId);

// One FACILITY_DATA message with this payload after the 40-byte header.
QueuedMessage gf_facilityDataMessage(DWORD requestId, DWORD uniqueId, DWORD parentId,
                                     FacilityKind kind, bool listItem, DWORD itemIndex,
                                     DWORD listSize, const std::vector<std::byte>& payload);

} // namespace skyloom::simworld
