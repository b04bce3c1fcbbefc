#include "platform/simworld/probe_client.h"

#include <cstring>

#include <fmt/format.h>

#include "platform/simconnect/simconnect.h"
#include "platform/simworld/installed_world.h"
#include "platform/simworld/messages.h"

namespace skyloom::simworld {

namespace {

enum ProbeId : DWORD {
    kEventSim = 201,
    kEventObjectRemoved = 203,
    kEventFrame = 204,
    kEventFlightLoaded = 205,
    kRequestAiPosition = 101,
    kRequestTitle = 105,
    kRequestModel = 106,
    kRequestOnGround = 107,
    kRequestPosition = 108,
    kDefineAiPosition = 404,
    kDefineTitle = 407,
    kDefineModel = 408,
    kDefineOnGround = 409,
    kDefinePosition = 403,
};

struct ProbeState {
    World* world = nullptr;
    std::vector<std::string>* lines = nullptr;
    bool quit = false;

    void say(const std::string& text) const {
        lines->push_back(fmt::format("{:9.3f} {}", world->secondsSinceStart(), text));
    }
};

std::string lf_result(HRESULT hr) {
    return fmt::format("0x{:08X}", static_cast<std::uint32_t>(hr));
}

template <typename T> T lf_at(const std::byte* base, std::size_t offset) {
    T value;
    std::memcpy(&value, base + offset, sizeof(T));
    return value;
}

// The text in [offset, offset + capacity) of the message, up to its first NUL.
std::string lf_text(const std::byte* base, std::size_t size, std::size_t offset,
                    std::size_t capacity) {
    std::string out;
    for (std::size_t i = offset; i < size && i < offset + capacity; ++i) {
        const char c = static_cast<char>(base[i]);
        if (c == '\0') {
            break;
        }
        out.push_back(c);
    }
    return out;
}

void lf_describeObjectData(const ProbeState& state, const std::byte* base, std::size_t size) {
    constexpr std::size_t h = SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE;
    const auto request = lf_at<DWORD>(base, 12);
    const auto object = lf_at<DWORD>(base, 16);
    const auto need = [&](std::size_t bytes, std::string_view what) {
        if (size < h + bytes) {
            state.say(fmt::format("USER {} too short: {} bytes", what, size));
            return false;
        }
        return true;
    };
    switch (request) {
    case kRequestTitle:
        if (need(1, "title")) {
            state.say(fmt::format("USER title \"{}\"", lf_text(base, size, h, size - h)));
        }
        break;
    case kRequestModel:
        if (need(32, "model")) {
            state.say(fmt::format("USER model \"{}\"", lf_text(base, size, h, 32)));
        }
        break;
    case kRequestOnGround:
        if (need(8, "on ground")) {
            state.say(fmt::format("USER on ground {}", lf_at<std::int64_t>(base, h)));
        }
        break;
    case kRequestPosition:
        if (need(120, "position")) {
            const auto f = [&](int i) {
                return lf_at<double>(base, h + 8 * static_cast<std::size_t>(i));
            };
            const auto n = [&](int i) {
                return lf_at<std::int64_t>(base, h + 8 * static_cast<std::size_t>(i));
            };
            state.say(fmt::format(
                "USER object {} at {:.6f}, {:.6f} alt {:.1f} ft agl {:.1f} ft gs {:.1f} kt "
                "track {:.1f} deg heading {:.4f} rad vs {:.0f} fpm zulu {}s day {} year {} lights "
                "{}",
                object, f(0), f(1), f(6), f(8), f(9), f(14), f(5), f(4), n(10), n(11), n(12),
                n(13)));
        }
        break;
    default:
        state.say(
            fmt::format("SIMOBJECT_DATA request {} object {} ({} bytes)", request, object, size));
        break;
    }
}

void lf_describeByType(const ProbeState& state, const std::byte* base, std::size_t size) {
    constexpr std::size_t h = SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE;
    if (size < h + 56) {
        state.say(fmt::format("AI position too short: {} bytes", size));
        return;
    }
    state.say(fmt::format(
        "AI object {} ({}/{}) agl {:.1f} ft ground {:.1f} ft on ground {} atc id \"{}\"",
        lf_at<DWORD>(base, 16), lf_at<DWORD>(base, 28), lf_at<DWORD>(base, 32),
        lf_at<double>(base, h), lf_at<double>(base, h + 8), lf_at<std::int64_t>(base, h + 16),
        lf_text(base, size, h + 24, 32)));
}

void CALLBACK lf_probeDispatch(SIMCONNECT_RECV* data, DWORD size, void* context) {
    auto& state = *static_cast<ProbeState*>(context);
    const auto* base = reinterpret_cast<const std::byte*>(data);
    if (size < sizeof(SIMCONNECT_RECV)) {
        state.say(fmt::format("message too short: {} bytes", size));
        return;
    }
    const DWORD id = data->dwID;
    const std::string_view kind = gf_messageKindName(id);
    const auto need = [&](std::size_t bytes) {
        if (size < bytes) {
            state.say(fmt::format("{} too short: {} < {} bytes", kind, size, bytes));
            return false;
        }
        return true;
    };
    switch (id) {
    case SIMCONNECT_RECV_ID_EXCEPTION:
        if (need(sizeof(SIMCONNECT_RECV_EXCEPTION))) {
            const DWORD code = lf_at<DWORD>(base, 12);
            state.say(fmt::format("EXCEPTION {} {} send {} index {}", code, gf_exceptionName(code),
                                  lf_at<DWORD>(base, 16), lf_at<DWORD>(base, 20)));
        }
        break;
    case SIMCONNECT_RECV_ID_OPEN:
        if (need(sizeof(SIMCONNECT_RECV_OPEN))) {
            state.say(fmt::format("OPEN \"{}\" {}.{}.{}.{}", lf_text(base, size, 12, 256),
                                  lf_at<DWORD>(base, 268), lf_at<DWORD>(base, 272),
                                  lf_at<DWORD>(base, 276), lf_at<DWORD>(base, 280)));
        }
        break;
    case SIMCONNECT_RECV_ID_QUIT:
        state.say("QUIT");
        state.quit = true;
        break;
    case SIMCONNECT_RECV_ID_EVENT:
        if (need(sizeof(SIMCONNECT_RECV_EVENT))) {
            const DWORD event = lf_at<DWORD>(base, 16);
            const DWORD value = lf_at<DWORD>(base, 20);
            state.say(event == kEventSim ? fmt::format("EVENT Sim {}", value)
                      : event == kEventFlightLoaded
                          ? std::string("EVENT FlightLoaded (no file)")
                          : fmt::format("EVENT {} data {}", event, value));
        }
        break;
    case SIMCONNECT_RECV_ID_EVENT_OBJECT_ADDREMOVE:
        if (need(sizeof(SIMCONNECT_RECV_EVENT_OBJECT_ADDREMOVE))) {
            state.say(fmt::format("EVENT {} object {} type {}",
                                  lf_at<DWORD>(base, 16) == kEventObjectRemoved ? "ObjectRemoved"
                                                                                : "ObjectAdded",
                                  lf_at<DWORD>(base, 20), lf_at<DWORD>(base, 24)));
        }
        break;
    case SIMCONNECT_RECV_ID_EVENT_FILENAME:
        if (need(sizeof(SIMCONNECT_RECV_EVENT_FILENAME))) {
            state.say(fmt::format("EVENT FlightLoaded \"{}\"", lf_text(base, size, 24, 260)));
        }
        break;
    case SIMCONNECT_RECV_ID_EVENT_FRAME:
        if (need(sizeof(SIMCONNECT_RECV_EVENT_FRAME))) {
            state.say(fmt::format("FRAME rate {:g} speed {:g}", lf_at<float>(base, 24),
                                  lf_at<float>(base, 28)));
        }
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        if (need(SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE)) {
            lf_describeObjectData(state, base, size);
        }
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
        if (need(SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE)) {
            lf_describeByType(state, base, size);
        }
        break;
    case SIMCONNECT_RECV_ID_FACILITY_DATA_END:
        if (need(sizeof(SIMCONNECT_RECV_FACILITY_DATA_END))) {
            state.say(fmt::format("FACILITY_DATA_END request {}", lf_at<DWORD>(base, 12)));
        }
        break;
    default:
        state.say(fmt::format("unknown message id {} ({} bytes)", id, size));
        break;
    }
}

void lf_setUp(HANDLE h, const ProbeState& state) {
    std::vector<HRESULT> results{
        SimConnect_SubscribeToSystemEvent(h, kEventSim, "Sim"),
        SimConnect_SubscribeToSystemEvent(h, kEventObjectRemoved, "ObjectRemoved"),
        SimConnect_SubscribeToSystemEvent(h, kEventFlightLoaded, "FlightLoaded"),
        SimConnect_SubscribeToSystemEvent(h, kEventFrame, "Frame"),
        SimConnect_AddToDataDefinition(h, kDefineTitle, "TITLE", nullptr,
                                       SIMCONNECT_DATATYPE_STRINGV),
        SimConnect_AddToDataDefinition(h, kDefineModel, "ATC MODEL", nullptr,
                                       SIMCONNECT_DATATYPE_STRING32),
        SimConnect_AddToDataDefinition(h, kDefineOnGround, "SIM ON GROUND", "Bool",
                                       SIMCONNECT_DATATYPE_INT64),
    };
    const std::pair<const char*, const char*> position[] = {
        {"Plane Latitude", "degree"},
        {"Plane Longitude", "degree"},
        {"Plane Pitch degrees", "radian"},
        {"Plane Bank degrees", "radian"},
        {"Vertical Speed", "feet per minute"},
        {"Plane Heading degrees true", "radian"},
        {"Plane Altitude", "feet"},
        {"Indicated Altitude", "feet"},
        {"Plane Alt Above Ground", "feet"},
        {"Ground Velocity", "knots"},
        {"ZULU TIME", "Seconds"},
        {"ZULU DAY OF YEAR", "Number"},
        {"ZULU YEAR", "Number"},
        {"LIGHT STATES", "Mask"},
        {"GPS Ground True Track", "degree"}};
    for (std::size_t i = 0; i < std::size(position); ++i) {
        const bool integer = i >= 10 && i <= 13;
        results.push_back(SimConnect_AddToDataDefinition(
            h, kDefinePosition, position[i].first, position[i].second,
            integer ? SIMCONNECT_DATATYPE_INT64 : SIMCONNECT_DATATYPE_FLOAT64));
    }
    results.push_back(
        SimConnect_AddToDataDefinition(h, kDefineAiPosition, "Plane Alt Above Ground", "feet"));
    results.push_back(
        SimConnect_AddToDataDefinition(h, kDefineAiPosition, "Ground Altitude", "feet"));
    results.push_back(SimConnect_AddToDataDefinition(h, kDefineAiPosition, "SIM ON GROUND", "Bool",
                                                     SIMCONNECT_DATATYPE_INT64));
    results.push_back(SimConnect_AddToDataDefinition(h, kDefineAiPosition, "ATC ID", nullptr,
                                                     SIMCONNECT_DATATYPE_STRING32));
    results.push_back(SimConnect_RequestDataOnSimObject(
        h, kRequestTitle, kDefineTitle, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE));
    results.push_back(SimConnect_RequestDataOnSimObject(
        h, kRequestModel, kDefineModel, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_ONCE));
    results.push_back(SimConnect_RequestDataOnSimObject(
        h, kRequestOnGround, kDefineOnGround, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND));
    results.push_back(SimConnect_RequestDataOnSimObject(
        h, kRequestPosition, kDefinePosition, SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND));
    results.push_back(SimConnect_RequestDataOnSimObjectType(
        h, kRequestAiPosition, kDefineAiPosition, 20000, SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT));
    const auto failed =
        std::count_if(results.begin(), results.end(), [](HRESULT hr) { return hr < 0; });
    state.say(failed == 0 ? fmt::format("set up with {} calls", results.size())
                          : fmt::format("set up with {} calls, {} failed", results.size(), failed));
}

} // namespace

std::vector<std::string> gf_runProbeClient(ManualClock& clock, const ProbeOptions& options) {
    std::vector<std::string> lines;
    const std::shared_ptr<World> world = gf_installedWorld();
    if (!world) {
        lines.emplace_back("no world is installed");
        return lines;
    }
    ProbeState state{world.get(), &lines};
    HANDLE h = nullptr;
    HRESULT refusal = S_OK;
    int refusals = 0;
    const auto reportRefusals = [&] {
        if (refusals > 0) {
            state.say(fmt::format("open refused {} time{} ({})", refusals, refusals == 1 ? "" : "s",
                                  lf_result(refusal)));
        }
        refusals = 0;
    };
    const auto step = std::chrono::duration_cast<Clock::Duration>(
        std::chrono::duration<double>(options.stepSeconds));
    const auto retry = std::chrono::duration_cast<Clock::Duration>(
        std::chrono::duration<double>(options.retrySeconds));
    while (world->secondsSinceStart() < options.durationSeconds) {
        if (h == nullptr) {
            const HRESULT hr =
                SimConnect_Open(&h, options.clientName.c_str(), nullptr, 0, nullptr, 0);
            if (hr < 0) {
                if (refusals > 0 && refusal != hr) {
                    reportRefusals();
                }
                refusal = hr;
                ++refusals;
                h = nullptr;
                clock.advance(retry);
                continue;
            }
            reportRefusals();
            state.say(fmt::format("connected as \"{}\"", options.clientName));
            state.quit = false;
            lf_setUp(h, state);
        }
        const HRESULT hr = SimConnect_CallDispatch(h, lf_probeDispatch, &state);
        if (hr < 0 || state.quit) {
            state.say(hr < 0 ? fmt::format("dispatch failed {}; closing", lf_result(hr))
                             : std::string("closing after QUIT"));
            SimConnect_Close(h);
            h = nullptr;
            continue;
        }
        clock.advance(step);
    }
    reportRefusals();
    if (h != nullptr) {
        SimConnect_Close(h);
        state.say("closed");
    }
    return lines;
}

} // namespace skyloom::simworld
