#include "platform/simworld/faults.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>

#include <fmt/format.h>

namespace skyloom::simworld {

namespace {

constexpr std::array<std::string_view, 19> kApiFunctions{
    "SimConnect_Open",
    "SimConnect_Close",
    "SimConnect_CallDispatch",
    "SimConnect_SubscribeToSystemEvent",
    "SimConnect_AddToDataDefinition",
    "SimConnect_RequestDataOnSimObject",
    "SimConnect_RequestDataOnSimObjectType",
    "SimConnect_SetDataOnSimObject",
    "SimConnect_MapClientEventToSimEvent",
    "SimConnect_AddClientEventToNotificationGroup",
    "SimConnect_SetNotificationGroupPriority",
    "SimConnect_TransmitClientEvent",
    "SimConnect_AICreateNonATCAircraft",
    "SimConnect_AIReleaseControl",
    "SimConnect_AIRemoveObject",
    "SimConnect_AISetAircraftFlightPlan",
    "SimConnect_GetLastSentPacketID",
    "SimConnect_AddToFacilityDefinition",
    "SimConnect_RequestFacilityData",
};

bool lf_sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

} // namespace

bool gf_isApiFunctionName(std::string_view name) {
    return std::find(kApiFunctions.begin(), kApiFunctions.end(), name) != kApiFunctions.end();
}

std::string_view gf_faultKindName(FaultKind kind) {
    switch (kind) {
    case FaultKind::refuseOpen:
        return "refuseOpen";
    case FaultKind::wrongSimulator:
        return "wrongSimulator";
    case FaultKind::unknownName:
        return "unknownName";
    case FaultKind::brokenPipe:
        return "brokenPipe";
    case FaultKind::failCall:
        return "failCall";
    case FaultKind::exception:
        return "exception";
    case FaultKind::truncateMessage:
        return "truncateMessage";
    case FaultKind::unknownMessage:
        return "unknownMessage";
    case FaultKind::neverAssign:
        return "neverAssign";
    case FaultKind::neverConfirmRemoval:
        return "neverConfirmRemoval";
    }
    return "?";
}

HRESULT gf_faultResult(const FaultSetup& fault) {
    return fault.result.value_or(fault.kind == FaultKind::brokenPipe ? E_BROKEN_PIPE : E_FAIL);
}

std::optional<std::string> gf_faultSetupProblem(const FaultSetup& fault) {
    const bool namesFunction = fault.kind == FaultKind::failCall ||
                               (fault.kind == FaultKind::exception && !fault.function.empty());
    if (!namesFunction) {
        return std::nullopt;
    }
    if (!gf_isApiFunctionName(fault.function)) {
        return fmt::format("\"{}\" is no SimConnect function of the stand-in", fault.function);
    }
    if (fault.kind == FaultKind::exception && fault.function == "SimConnect_Close") {
        return std::string("an exception after SimConnect_Close has no connection to reach; "
                           "name another call or give a time");
    }
    return std::nullopt;
}

FaultPlan::FaultPlan(std::vector<FaultSetup> faults) {
    for (FaultSetup& fault : faults) {
        add(std::move(fault));
    }
}

void FaultPlan::add(FaultSetup fault) {
    if (const auto problem = gf_faultSetupProblem(fault)) {
        throw std::invalid_argument(*problem);
    }
    faults_.push_back(Armed{std::move(fault)});
}

bool FaultPlan::applies(const Armed& armed, std::string_view client) {
    return armed.setup.client.empty() || armed.setup.client == client;
}

bool FaultPlan::isTimed(const FaultSetup& setup) {
    switch (setup.kind) {
    case FaultKind::brokenPipe:
    case FaultKind::unknownMessage:
        return true;
    case FaultKind::exception:
        return setup.function.empty();
    default:
        return false;
    }
}

bool FaultPlan::counts(Armed& armed) {
    ++armed.seen;
    const std::uint32_t first = std::max<std::uint32_t>(armed.setup.nth, 1);
    return armed.seen >= first && armed.seen - first < armed.setup.count;
}

std::optional<HRESULT> FaultPlan::refuseOpen(std::string_view client, double now) {
    std::optional<HRESULT> refusal;
    for (Armed& armed : faults_) {
        if (armed.setup.kind != FaultKind::refuseOpen || !applies(armed, client)) {
            continue;
        }
        bool hit = false;
        if (armed.setup.untilSeconds) {
            hit = now < *armed.setup.untilSeconds;
        } else {
            ++armed.seen;
            hit = armed.seen <= armed.setup.count;
        }
        if (hit && !refusal) {
            refusal = gf_faultResult(armed.setup);
        }
    }
    return refusal;
}

std::optional<std::array<std::uint32_t, 4>> gf_simulatorVersionOf(std::string_view name) {
    if (name == kMsfs2020Name) {
        return kMsfs2020Version;
    }
    if (name == kMsfs2024Name) {
        return kMsfs2024Version;
    }
    return std::nullopt;
}

FaultPlan::ShownSimulator FaultPlan::simulatorFor(std::string_view client,
                                                  const SimulatorIdentity& actual) {
    for (Armed& armed : faults_) {
        if (armed.setup.kind != FaultKind::wrongSimulator || !applies(armed, client)) {
            continue;
        }
        ++armed.seen;
        if (armed.setup.count == 0 || armed.seen <= armed.setup.count) {
            ShownSimulator shown;
            shown.claimed = true;
            shown.name = !armed.setup.name.empty()                 ? armed.setup.name
                         : actual.applicationName == kMsfs2020Name ? kMsfs2024Name
                                                                   : kMsfs2020Name;
            shown.version = armed.setup.version.value_or(
                gf_simulatorVersionOf(shown.name).value_or(actual.applicationVersion));
            return shown;
        }
    }
    return ShownSimulator{actual.applicationName, actual.applicationVersion, false};
}

bool FaultPlan::isUnknownName(std::string_view name) const {
    return std::any_of(faults_.begin(), faults_.end(), [&](const Armed& armed) {
        return armed.setup.kind == FaultKind::unknownName && lf_sameText(armed.setup.name, name);
    });
}

FaultPlan::CallFaults FaultPlan::onCall(std::string_view function, std::string_view client) {
    CallFaults out;
    for (Armed& armed : faults_) {
        const bool candidate =
            (armed.setup.kind == FaultKind::failCall ||
             (armed.setup.kind == FaultKind::exception && !isTimed(armed.setup))) &&
            armed.setup.function == function && applies(armed, client);
        if (!candidate || !counts(armed)) {
            continue;
        }
        if (armed.setup.kind == FaultKind::failCall) {
            if (!out.failWith) {
                out.failWith = gf_faultResult(armed.setup);
            }
        } else {
            out.exceptionsAfter.push_back(armed.setup);
        }
    }
    return out;
}

bool FaultPlan::hits(FaultKind kind, std::string_view client) {
    bool hit = false;
    for (Armed& armed : faults_) {
        if (armed.setup.kind == kind && applies(armed, client) && counts(armed)) {
            hit = true;
        }
    }
    return hit;
}

std::optional<std::size_t> FaultPlan::truncation(std::string_view kind, std::string_view client) {
    std::optional<std::size_t> cut;
    for (Armed& armed : faults_) {
        if (armed.setup.kind != FaultKind::truncateMessage || armed.setup.name != kind ||
            !applies(armed, client)) {
            continue;
        }
        if (counts(armed) && !cut) {
            cut = armed.setup.bytes;
        }
    }
    return cut;
}

std::optional<double> FaultPlan::nextTimed() const {
    std::optional<double> next;
    for (const Armed& armed : faults_) {
        if (isTimed(armed.setup) && !armed.fired) {
            const double at = armed.setup.atSeconds.value_or(0);
            if (!next || at < *next) {
                next = at;
            }
        }
    }
    return next;
}

std::vector<FaultSetup> FaultPlan::takeTimed(double upTo) {
    std::vector<FaultSetup> due;
    for (Armed& armed : faults_) {
        if (isTimed(armed.setup) && !armed.fired && armed.setup.atSeconds.value_or(0) <= upTo) {
            armed.fired = true;
            due.push_back(armed.setup);
        }
    }
    std::stable_sort(due.begin(), due.end(), [](const FaultSetup& a, const FaultSetup& b) {
        return a.atSeconds.value_or(0) < b.atSeconds.value_or(0);
    });
    return due;
}

} // namespace skyloom::simworld
