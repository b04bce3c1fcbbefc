#include "platform/simworld/facility_reply.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

#include <fmt/format.h>

namespace skyloom::simworld {

namespace {

// A field's value before it takes its facility type: a number or a text.
struct FieldValue {
    double number = 0;
    std::string text;
};

FieldValue lf_number(double v) {
    return FieldValue{v, {}};
}
FieldValue lf_text(std::string t) {
    return FieldValue{0, std::move(t)};
}

FieldValue lf_airportValue(const AirportFacilitySetup& a, std::string_view field) {
    const auto count = [](std::size_t n) { return lf_number(static_cast<double>(n)); };
    if (field == "LATITUDE") {
        return lf_number(a.latitudeDeg);
    }
    if (field == "LONGITUDE") {
        return lf_number(a.longitudeDeg);
    }
    if (field == "ALTITUDE") {
        return lf_number(a.altitudeMeters);
    }
    if (field == "MAGVAR") {
        return lf_number(a.magvarDeg);
    }
    if (field == "NAME" || field == "NAME64") {
        return lf_text(a.name);
    }
    if (field == "ICAO") {
        return lf_text(a.icao);
    }
    if (field == "REGION") {
        return lf_text(a.region);
    }
    if (field == "N_RUNWAYS") {
        return count(a.runways.size());
    }
    if (field == "N_STARTS") {
        return count(a.starts.size());
    }
    if (field == "N_HELIPADS") {
        return count(a.helipads.size());
    }
    if (field == "N_TAXI_PARKINGS") {
        return count(a.taxiParkings.size());
    }
    return lf_number(0); // frequencies, taxi points, taxi paths and jetways: none here
}

FieldValue lf_runwayValue(const FacilityRunwaySetup& r, std::string_view field) {
    if (field == "LATITUDE") {
        return lf_number(r.latitudeDeg);
    }
    if (field == "LONGITUDE") {
        return lf_number(r.longitudeDeg);
    }
    if (field == "ALTITUDE") {
        return lf_number(r.altitudeMeters);
    }
    if (field == "HEADING") {
        return lf_number(r.headingDeg);
    }
    if (field == "LENGTH") {
        return lf_number(r.lengthMeters);
    }
    if (field == "WIDTH") {
        return lf_number(r.widthMeters);
    }
    if (field == "PATTERN_ALTITUDE") {
        return lf_number(r.patternAltitudeMeters);
    }
    if (field == "SLOPE") {
        return lf_number(r.slopeDeg);
    }
    if (field == "TRUE_SLOPE") {
        return lf_number(r.trueSlopeDeg);
    }
    if (field == "SURFACE") {
        return lf_number(r.surface);
    }
    if (field == "PRIMARY_NUMBER") {
        return lf_number(r.primaryNumber);
    }
    if (field == "PRIMARY_DESIGNATOR") {
        return lf_number(r.primaryDesignator);
    }
    if (field == "SECONDARY_NUMBER") {
        return lf_number(r.secondaryNumber);
    }
    return lf_number(r.secondaryDesignator);
}

FieldValue lf_thresholdValue(const FacilityThresholdSetup& t, std::string_view field) {
    if (field == "LENGTH") {
        return lf_number(t.lengthMeters);
    }
    if (field == "WIDTH") {
        return lf_number(t.widthMeters);
    }
    if (field == "SURFACE") {
        return lf_number(t.surface);
    }
    return lf_number(t.enabled ? 1 : 0);
}

FieldValue lf_startValue(const FacilityStartSetup& s, std::string_view field) {
    if (field == "LATITUDE") {
        return lf_number(s.latitudeDeg);
    }
    if (field == "LONGITUDE") {
        return lf_number(s.longitudeDeg);
    }
    if (field == "ALTITUDE") {
        return lf_number(s.altitudeMeters);
    }
    if (field == "HEADING") {
        return lf_number(s.headingDeg);
    }
    if (field == "NUMBER") {
        return lf_number(s.number);
    }
    if (field == "DESIGNATOR") {
        return lf_number(s.designator);
    }
    return lf_number(s.type);
}

FieldValue lf_helipadValue(const FacilityHelipadSetup& h, std::string_view field) {
    if (field == "LATITUDE") {
        return lf_number(h.latitudeDeg);
    }
    if (field == "LONGITUDE") {
        return lf_number(h.longitudeDeg);
    }
    if (field == "ALTITUDE") {
        return lf_number(h.altitudeMeters);
    }
    if (field == "HEADING") {
        return lf_number(h.headingDeg);
    }
    if (field == "LENGTH") {
        return lf_number(h.lengthMeters);
    }
    if (field == "WIDTH") {
        return lf_number(h.widthMeters);
    }
    if (field == "SURFACE") {
        return lf_number(h.surface);
    }
    return lf_number(h.type);
}

FieldValue lf_parkingValue(const FacilityTaxiParkingSetup& p, std::string_view field) {
    if (field == "TYPE") {
        return lf_number(p.type);
    }
    if (field == "TAXI_POINT_TYPE") {
        return lf_number(p.taxiPointType);
    }
    if (field == "NAME") {
        return lf_number(p.name);
    }
    if (field == "SUFFIX") {
        return lf_number(p.suffix);
    }
    if (field == "NUMBER") {
        return lf_number(p.number);
    }
    if (field == "ORIENTATION") {
        return lf_number(p.orientation);
    }
    if (field == "HEADING") {
        return lf_number(p.headingDeg);
    }
    if (field == "RADIUS") {
        return lf_number(p.radiusMeters);
    }
    if (field == "BIAS_X") {
        return lf_number(p.biasXMeters);
    }
    if (field == "BIAS_Z") {
        return lf_number(p.biasZMeters);
    }
    return lf_number(p.airlineCount);
}

template <typename V> void lf_append(std::vector<std::byte>& out, V value) {
    const auto* begin = reinterpret_cast<const std::byte*>(&value);
    out.insert(out.end(), begin, begin + sizeof(V));
}

// A whole number in the range of the integer type, cut toward zero; NaN gives 0.
template <typename I> I lf_integer(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    const double lo = static_cast<double>(std::numeric_limits<I>::min());
    const double hi = static_cast<double>(std::numeric_limits<I>::max());
    return static_cast<I>(std::clamp(std::trunc(v), lo, hi));
}

void lf_encode(std::vector<std::byte>& out, FacilityFieldType type, const FieldValue& value) {
    switch (type) {
    case FacilityFieldType::f64:
        lf_append(out, value.number);
        return;
    case FacilityFieldType::f32:
        lf_append(out, static_cast<float>(value.number));
        return;
    case FacilityFieldType::i32:
        lf_append(out, lf_integer<std::int32_t>(value.number));
        return;
    case FacilityFieldType::u32:
        lf_append(out, lf_integer<std::uint32_t>(value.number));
        return;
    case FacilityFieldType::text8:
    case FacilityFieldType::text32:
    case FacilityFieldType::text64: {
        // Filled up to the field's size; a text that fills it has no NUL.
        const std::size_t size = gf_facilityFieldSize(type);
        std::vector<std::byte> field(size, std::byte{0});
        std::memcpy(field.data(), value.text.data(), std::min(size, value.text.size()));
        out.insert(out.end(), field.begin(), field.end());
        return;
    }
    }
}

class ReplyBuilder {
public:
    ReplyBuilder(const AirportFacilitySetup& airport, DWORD requestId, DWORD& nextUniqueId)
        : airport_(airport), requestId_(requestId), nextUniqueId_(nextUniqueId) {}

    void airportRecord(const FacilityBlock& block) {
        const DWORD unique =
            record(block, 0, false, 0, 1, sendCount(block.kind, 1),
                   [&](std::string_view field) { return lf_airportValue(airport_, field); });
        for (const FacilityBlock& child : block.children) {
            children(child, unique);
        }
    }

    std::vector<QueuedMessage> messages;
    std::array<std::size_t, kFacilityKindCount> sent{};

private:
    // Sends one record (unless withheld) and gives its unique id.
    DWORD record(const FacilityBlock& block, DWORD parent, bool listItem, std::size_t index,
                 std::size_t listSize, std::size_t sendCount,
                 const std::function<FieldValue(std::string_view)>& value) {
        const DWORD unique = nextUniqueId_++;
        if (index >= sendCount) {
            return unique;
        }
        std::vector<std::byte> payload;
        for (const std::string& field : block.fields) {
            lf_encode(payload, *gf_facilityFieldType(block.kind, field), value(field));
        }
        messages.push_back(gf_facilityDataMessage(requestId_, unique, parent, block.kind, listItem,
                                                  static_cast<DWORD>(index),
                                                  static_cast<DWORD>(listSize), payload));
        ++sent[static_cast<std::size_t>(block.kind)];
        return unique;
    }

    std::size_t sendCount(FacilityKind kind, std::size_t size) const {
        return size - std::min<std::size_t>(size, airport_.serving.withheld(kind));
    }

    template <typename Item, typename Value>
    void list(const FacilityBlock& block, DWORD parent, const std::vector<Item>& items, Value value,
              const std::function<void(std::size_t, DWORD)>& after = {}) {
        const std::size_t count = sendCount(block.kind, items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            const DWORD unique =
                record(block, parent, true, i, items.size(), count,
                       [&](std::string_view field) { return value(items[i], field); });
            if (after && i < count) {
                after(i, unique);
            }
        }
    }

    void children(const FacilityBlock& block, DWORD parent) {
        switch (block.kind) {
        case FacilityKind::runway:
            list(block, parent, airport_.runways, lf_runwayValue,
                 [&](std::size_t i, DWORD unique) { thresholds(block, i, unique); });
            return;
        case FacilityKind::start:
            list(block, parent, airport_.starts, lf_startValue);
            return;
        case FacilityKind::helipad:
            list(block, parent, airport_.helipads, lf_helipadValue);
            return;
        case FacilityKind::taxiParking:
            list(block, parent, airport_.taxiParkings, lf_parkingValue);
            return;
        default:
            return; // the world holds no records of the other kinds
        }
    }

    void thresholds(const FacilityBlock& runwayBlock, std::size_t runway, DWORD parent) {
        const FacilityRunwaySetup& r = airport_.runways[runway];
        for (const FacilityBlock& child : runwayBlock.children) {
            const bool primary = child.kind == FacilityKind::primaryThreshold;
            const FacilityThresholdSetup& t = primary ? r.primaryThreshold : r.secondaryThreshold;
            record(child, parent, false, runway, airport_.runways.size(),
                   sendCount(child.kind, airport_.runways.size()),
                   [&](std::string_view field) { return lf_thresholdValue(t, field); });
        }
    }

    const AirportFacilitySetup& airport_;
    DWORD requestId_;
    DWORD& nextUniqueId_;
};

} // namespace

QueuedMessage gf_facilityDataMessage(DWORD requestId, DWORD uniqueId, DWORD parentId,
                                     FacilityKind kind, bool listItem, DWORD itemIndex,
                                     DWORD listSize, const std::vector<std::byte>& payload) {
    SIMCONNECT_RECV_FACILITY_DATA r{};
    constexpr std::size_t header = SIMCONNECT_RECV_FACILITY_DATA_HEADER_SIZE;
    const std::size_t size = header + payload.size();
    r.size = static_cast<DWORD>(size);
    r.version = kMessageVersion;
    r.dwID = SIMCONNECT_RECV_ID_FACILITY_DATA;
    r.userRequestId = requestId;
    r.uniqueRequestId = uniqueId;
    r.parentUniqueRequestId = parentId;
    r.dataType = gf_facilityDataType(kind);
    r.inList = listItem ? 1 : 0;
    r.listIndex = itemIndex;
    r.listLength = listSize;
    QueuedMessage message;
    message.kind = std::string(gf_messageKindName(SIMCONNECT_RECV_ID_FACILITY_DATA));
    message.bytes.assign(std::max(size, sizeof(r)), std::byte{0});
    std::memcpy(message.bytes.data(), &r, sizeof(r));
    if (!payload.empty()) {
        std::memcpy(message.bytes.data() + header, payload.data(), payload.size());
    }
    message.size = size;
    message.text = fmt::format("{} request={} unique={} parent={} {}", message.kind, requestId,
                               uniqueId, parentId, gf_facilityKindName(kind));
    if (listItem) {
        message.text += fmt::format(" {}/{}", itemIndex + 1, listSize);
    }
    message.text += fmt::format(" ({} bytes)", size);
    return message;
}

FacilityReply gf_facilityReply(const FacilityBlock& definition, const AirportFacilitySetup& airport,
                               DWORD requestId, DWORD& nextUniqueId) {
    ReplyBuilder builder(airport, requestId, nextUniqueId);
    builder.airportRecord(definition);
    FacilityReply reply;
    reply.messages = std::move(builder.messages);
    std::vector<std::string> counts;
    for (std::size_t k = 0; k < kFacilityKindCount; ++k) {
        if (builder.sent[k] > 0) {
            counts.push_back(fmt::format("{} {}", builder.sent[k],
                                         gf_facilityKindName(static_cast<FacilityKind>(k))));
        }
    }
    reply.note = fmt::format("{}: {}", airport.icao,
                             counts.empty() ? std::string("no records")
                                            : fmt::format("{}", fmt::join(counts, ", ")));
    if (airport.serving.sendEnd) {
        reply.messages.push_back(gf_facilityDataEndMessage(requestId));
    } else {
        reply.note += ", no end";
    }
    if (airport.serving.delaySeconds > 0) {
        reply.note += fmt::format(", after {:g} s", airport.serving.delaySeconds);
    }
    return reply;
}

} // namespace skyloom::simworld
