// The world's facility calls. AddToFacilityDefinition takes an entry only where it fits the
// definition so far (facility_fields.h); RequestFacilityData answers from the airports of the
// world description (facility_reply.h), after the airport's delay: an airport the world does
// not hold, or one in another region than the request names, gets only FACILITY_DATA_END.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <variant>

#include <fmt/format.h>

#include "platform/simworld/facility_fields.h"
#include "platform/simworld/facility_reply.h"
#include "platform/simworld/world.h"

namespace skyloom::simworld {

namespace {

std::string lf_quoted(const char* text) {
    return text == nullptr ? std::string("null") : fmt::format("\"{}\"", text);
}

bool lf_sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

const AirportFacilitySetup* lf_findAirport(const std::vector<AirportFacilitySetup>& airports,
                                           std::string_view icao, std::string_view region) {
    for (const AirportFacilitySetup& airport : airports) {
        if (lf_sameText(airport.icao, icao) &&
            (region.empty() || airport.region.empty() || lf_sameText(airport.region, region))) {
            return &airport;
        }
    }
    return nullptr;
}

} // namespace

HRESULT World::addToFacilityDefinition(std::uint32_t connection, DWORD defineId,
                                       const char* fieldName) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_AddToFacilityDefinition");
    const std::string args = fmt::format("{}, {}", defineId, lf_quoted(fieldName));
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (fieldName == nullptr || faults_.isUnknownName(fieldName) ||
        !gf_isFacilityFieldName(fieldName)) {
        refuse(call, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3, "unknown facility field");
        return finishCall(call, args, S_OK);
    }
    std::vector<std::string>& definition = call.connection->facilityDefinitions[defineId];
    if (const auto fault = gf_facilityEntryFault(definition, fieldName)) {
        refuse(call, SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, 3, *fault);
        return finishCall(call, args, S_OK);
    }
    definition.emplace_back(fieldName);
    return finishCall(call, args, S_OK);
}

HRESULT World::requestFacilityData(std::uint32_t connection, DWORD defineId, DWORD requestId,
                                   const char* icao, const char* region) {
    std::lock_guard lock(mutex_);
    Call call = beginCall(connection, "SimConnect_RequestFacilityData");
    const std::string args =
        fmt::format("{}, {}, {}, {}", defineId, requestId, lf_quoted(icao), lf_quoted(region));
    if (!call.proceed()) {
        return finishCall(call, args, call.failure);
    }
    if (icao == nullptr) {
        return finishCall(call, args, E_POINTER);
    }
    Connection& c = *call.connection;
    const auto definition = c.facilityDefinitions.find(defineId);
    if (definition == c.facilityDefinitions.end()) {
        refuse(call, SIMCONNECT_EXCEPTION_UNRECOGNIZED_ID, 2, "unknown facility definition");
        return finishCall(call, args, S_OK);
    }
    const auto parsed = gf_parseFacilityDefinition(definition->second);
    if (const auto* fault = std::get_if<std::string>(&parsed)) {
        refuse(call, SIMCONNECT_EXCEPTION_ERROR, 2, *fault);
        return finishCall(call, args, S_OK);
    }
    const AirportFacilitySetup* airport =
        lf_findAirport(setup_.airports, icao, region != nullptr ? region : "");
    if (airport == nullptr) {
        queue(c, gf_facilityDataEndMessage(requestId), call.now);
        return finishCall(call, args, S_OK, fmt::format("no airport {} in this world", icao));
    }
    FacilityReply reply = gf_facilityReply(std::get<FacilityBlock>(parsed), *airport, requestId,
                                           c.nextFacilityUniqueId);
    const double due = call.now + std::max(0.0, airport->serving.delaySeconds);
    for (QueuedMessage& message : reply.messages) {
        queue(c, std::move(message), due);
    }
    return finishCall(call, args, S_OK, reply.note);
}

} // namespace skyloom::simworld
