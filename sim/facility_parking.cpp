#include "sim/facility_parking.h"

#include <cmath>
#include <exception>
#include <numbers>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "foundation/geo_constants.h"
#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "refdata/parking_name.h"
#include "sim/facility_connection.h"
#include "sim/facility_message.h"

namespace skyloom {

namespace {

// Payload sizes of the records of definition 1001, after the 40-byte header.
constexpr std::size_t kAirportPayload = 3 * 8 + 32 + 2 * 4;    // 64
constexpr std::size_t kHelipadPayload = 3 * 8 + 3 * 4 + 2 * 4; // 44
constexpr std::size_t kParkingPayload = 10 * 4;                // 40

constexpr std::size_t kAirportNameCapacity = 32;
constexpr std::int32_t kSquareHelipad = 2;
constexpr std::int32_t kVehicleParking = 13;
constexpr std::int32_t kLastParkingType = 15;

// Offsets east (x) and north (z) in metres of a taxi parking from the airport's reference
// position, applied once the reply is complete.
struct ParkingOffset {
    std::size_t stand = 0;
    float biasX = 0;
    float biasZ = 0;
};

// The state of one read.
struct FacilityParkingRead {
    std::string ident;
    double latitude = 0;
    double longitude = 0;
    double altitudeFeet = 0;
    std::string airportName;
    std::vector<Stand> stands;
    bool done = false;
    bool failed = false;

    bool airportSeen = false;
    std::vector<ParkingOffset> offsets;

    void fail() {
        done = true;
        failed = true;
    }
};

bool lf_checkSize(FacilityParkingRead& read, const FacilityMessage& message, std::size_t minimum,
                  std::string_view kind) {
    if (message.holds(minimum)) {
        return true;
    }
    LogFile::writeImportant(
        fmt::format("Facility data for {} too short: {} reply of {} bytes, {} needed", read.ident,
                    kind, message.size(), minimum));
    read.fail();
    return false;
}

std::string lf_suffixText(std::int32_t suffix) {
    if (suffix == 0) {
        return {};
    }
    if (suffix >= 12 && suffix <= 37) {
        return std::string(1, static_cast<char>('A' + (suffix - 12)));
    }
    return "?";
}

void lf_onAirport(FacilityParkingRead& read, const FacilityMessage& m) {
    constexpr std::size_t p = kFacilityPayloadOffset;
    read.latitude = m.at<double>(p);
    read.longitude = m.at<double>(p + 8);
    read.altitudeFeet = m.at<double>(p + 16) * geo::kFeetPerMetre;
    read.airportName = m.text(p + 24, kAirportNameCapacity);
    read.airportSeen = true;
}

void lf_onHelipad(FacilityParkingRead& read, const FacilityMessage& m) {
    constexpr std::size_t p = kFacilityPayloadOffset;
    Stand stand;
    stand.position = Lalo{m.at<double>(p), m.at<double>(p + 8)};
    stand.heading = static_cast<double>(m.at<float>(p + 24)) * std::numbers::pi / 180.0;
    const float width = m.at<float>(p + 32);
    const std::int32_t type = m.at<std::int32_t>(p + 40);
    // A square pad's circle reaches its corners; the product stays in single precision.
    const float radiusMetres = width * (type == kSquareHelipad ? 0.7f : 0.5f);
    stand.radius = static_cast<double>(radiusMetres) * kStandNMPerMetre;
    stand.heli = true;
    read.stands.push_back(std::move(stand));
}

void lf_onTaxiParking(FacilityParkingRead& read, const FacilityMessage& m) {
    constexpr std::size_t p = kFacilityPayloadOffset;
    const std::int32_t type = m.at<std::int32_t>(p);
    if (type < 1 || type > kLastParkingType || type == kVehicleParking) {
        return;
    }
    const std::int32_t name = m.at<std::int32_t>(p + 8);
    const std::int32_t suffix = m.at<std::int32_t>(p + 12);
    const std::uint32_t number = m.at<std::uint32_t>(p + 16);
    Stand stand;
    stand.id = fmt::format("{}{}{}", gf_parkingName(name), number, lf_suffixText(suffix));
    stand.heading = static_cast<double>(m.at<float>(p + 24)) * std::numbers::pi / 180.0;
    stand.radius = static_cast<double>(m.at<float>(p + 28)) * kStandNMPerMetre;
    stand.sid = static_cast<std::int32_t>(number);
    stand.type = static_cast<StandType>(type);
    stand.ramp = gf_standTypeIsRamp(stand.type);
    stand.cargo = gf_standTypeIsCargo(stand.type);
    read.offsets.push_back(
        ParkingOffset{read.stands.size(), m.at<float>(p + 32), m.at<float>(p + 36)});
    read.stands.push_back(std::move(stand));
}

void lf_onRecvFacilityData(FacilityParkingRead& read, const FacilityMessage& message) {
    try {
        const auto header = gf_facilityDataHeader(message);
        if (!header) {
            lf_checkSize(read, message, kFacilityPayloadOffset, "facility data");
            return;
        }
        if (header->userRequestId != PARKING_FACILITY_REQUEST) {
            return;
        }
        switch (header->type) {
        case SIMCONNECT_FACILITY_DATA_AIRPORT:
            if (lf_checkSize(read, message, kFacilityPayloadOffset + kAirportPayload, "airport")) {
                lf_onAirport(read, message);
            }
            return;
        case SIMCONNECT_FACILITY_DATA_HELIPAD:
            if (lf_checkSize(read, message, kFacilityPayloadOffset + kHelipadPayload, "helipad")) {
                lf_onHelipad(read, message);
            }
            return;
        case SIMCONNECT_FACILITY_DATA_TAXI_PARKING:
            if (lf_checkSize(read, message, kFacilityPayloadOffset + kParkingPayload,
                             "taxi parking")) {
                lf_onTaxiParking(read, message);
            }
            return;
        default:
            return;
        }
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("{} exception: {}", "onRecvFacilityData", e.what()));
        read.fail();
    }
}

void CALLBACK lf_onParkingDispatch(SIMCONNECT_RECV* data, DWORD size, void* context) {
    auto& read = *static_cast<FacilityParkingRead*>(context);
    try {
        const FacilityMessage message(data, size);
        const auto id = message.id();
        if (!id) {
            lf_checkSize(read, message, sizeof(SIMCONNECT_RECV), "message");
            return;
        }
        switch (*id) {
        case SIMCONNECT_RECV_ID_EXCEPTION:
            if (lf_checkSize(read, message, sizeof(SIMCONNECT_RECV_EXCEPTION), "exception")) {
                LogFile::writeImportant(fmt::format("SimConnect EXCEPTION id={} sendID={} index={}",
                                                    message.at<DWORD>(12), message.at<DWORD>(16),
                                                    message.at<DWORD>(20)));
                read.fail();
            }
            return;
        case SIMCONNECT_RECV_ID_FACILITY_DATA:
            lf_onRecvFacilityData(read, message);
            return;
        case SIMCONNECT_RECV_ID_FACILITY_DATA_END:
            if (lf_checkSize(read, message, sizeof(SIMCONNECT_RECV_FACILITY_DATA_END), "end") &&
                message.at<DWORD>(12) == PARKING_FACILITY_REQUEST) {
                read.done = true;
            }
            return;
        default:
            return;
        }
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("{} exception: {}", "parking dispatch", e.what()));
        read.fail();
    } catch (...) {
        read.fail();
    }
}

// Moves a parking from the airport's reference position: east or west first, then north or
// south; a zero offset is not applied.
Lalo lf_offsetPosition(const Lalo& reference, float biasX, float biasZ) {
    Lalo position = reference;
    if (biasX != 0) {
        position =
            gf_destination(position, biasX > 0 ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2,
                           std::abs(static_cast<double>(biasX)) * geo::kFeetPerMetre);
    }
    if (biasZ != 0) {
        position = gf_destination(position, biasZ > 0 ? 0.0 : std::numbers::pi,
                                  std::abs(static_cast<double>(biasZ)) * geo::kFeetPerMetre);
    }
    return position;
}

bool lf_isUsableAirport(const FacilityParkingRead& read) {
    return std::isfinite(read.latitude) && std::isfinite(read.longitude) &&
           std::abs(read.latitude) <= 90 && std::abs(read.longitude) <= 180 &&
           std::isfinite(read.altitudeFeet) && std::abs(read.altitudeFeet) < 1e6;
}

} // namespace

bool gf_readParkingFacilities(const StopControl& stop, std::string_view ident, AirportFile& airport,
                              std::int32_t& helipadCount, std::string_view requestIcao,
                              std::string_view region) {
    if (!gf_openFacilityConnection()) {
        return false;
    }
    FacilityParkingRead read;
    read.ident = std::string(ident);
    const std::string icao(requestIcao.empty() ? ident : requestIcao);
    const HRESULT hr = SimConnect_RequestFacilityData(
        gf_facilityConnectionHandle(), PARKING_FACILITY_DEFINITION, PARKING_FACILITY_REQUEST,
        icao.c_str(), std::string(region).c_str());
    if (hr < 0) {
        LogFile::writeImportant(
            fmt::format("RequestFacilityData failed for {} (airport {})", icao, read.ident));
        return false;
    }
    const FacilityWaitResult wait =
        gf_waitForFacilityData(stop, lf_onParkingDispatch, &read, read.done, kParkingReadTimeout);
    if (wait.end == FacilityWaitEnd::dispatchFailed) {
        LogFile::writeImportant(fmt::format("SimConnect_CallDispatch failed for {}: 0x{:08X}",
                                            read.ident,
                                            static_cast<std::uint32_t>(wait.dispatchResult)));
        read.fail();
    } else if (wait.end == FacilityWaitEnd::timedOut) {
        LogFile::writeImportant(fmt::format("Facility data request timed out for {}", read.ident));
        read.fail();
    }
    if (read.failed || !read.done) {
        gf_closeFacilityConnection();
        return false;
    }
    // An airport the simulator does not know ends without an airport record: that is no
    // airport at 0, 0, and the connection is fine.
    if (!read.airportSeen) {
        LogFile::writeImportant(fmt::format("Facility data for {} holds no airport", read.ident));
        return false;
    }
    if (!lf_isUsableAirport(read)) {
        LogFile::writeImportant(
            fmt::format("Facility data for {} gives no usable airport position: {}, {}, {} ft",
                        read.ident, read.latitude, read.longitude, read.altitudeFeet));
        return false;
    }

    const IcaoCode code(read.ident); // throws for an ident that is no ICAO code
    const Lalo reference{read.latitude, read.longitude};
    for (const ParkingOffset& offset : read.offsets) {
        read.stands[offset.stand].position =
            lf_offsetPosition(reference, offset.biasX, offset.biasZ);
    }
    std::int32_t helipads = 0;
    for (Stand& stand : read.stands) {
        if (stand.heli) {
            stand.id = fmt::format("HELIPAD {}", ++helipads);
        }
    }
    airport.icao = code;
    airport.latitude = read.latitude;
    airport.longitude = read.longitude;
    airport.airportName = std::move(read.airportName);
    airport.altitude = static_cast<std::int32_t>(std::trunc(read.altitudeFeet));
    airport.stands = std::move(read.stands);
    helipadCount = helipads;
    if (airport.stands.empty()) {
        LogFile::write(fmt::format("Fac: {} has no stands", airport.icao));
    }
    return true;
}

} // namespace skyloom
