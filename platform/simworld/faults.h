// The faults a world injects, and their bookkeeping: which open to refuse, which simulator
// name to show, which names to pretend not to know, which call to fail or to answer with an
// exception, which message to cut, and the faults that fall due at a time (broken pipe, an
// exception or an unknown message). Faults that count (nth, count) count only the calls or
// messages of connections they apply to.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simworld/world_setup.h"

namespace skyloom::simworld {

// True for the names of the API functions ("SimConnect_Open", ...).
bool gf_isApiFunctionName(std::string_view name);
std::string_view gf_faultKindName(FaultKind kind);
HRESULT gf_faultResult(const FaultSetup& fault);
// Why a fault cannot be run as it is written (an exception after SimConnect_Close, which
// leaves no connection to receive it; a function the API does not have), or nothing.
std::optional<std::string> gf_faultSetupProblem(const FaultSetup& fault);
// The application version a simulator of this name reports (kMsfs2020Version for
// "KittyHawk", kMsfs2024Version for "SunRise"), or nothing for another name.
std::optional<std::array<std::uint32_t, 4>> gf_simulatorVersionOf(std::string_view name);

class FaultPlan {
public:
    // Both throw std::invalid_argument for a fault that cannot be run (gf_faultSetupProblem).
    explicit FaultPlan(std::vector<FaultSetup> faults = {});
    void add(FaultSetup fault);

    // A refusal of this open, counted against refuseOpen faults.
    std::optional<HRESULT> refuseOpen(std::string_view client, double now);
    // The simulator the OPEN message of a new connection names: the world's own, or the one a
    // wrongSimulator fault claims, with that simulator's version.
    struct ShownSimulator {
        std::string name;
        std::array<std::uint32_t, 4> version{};
        bool claimed = false; // by a fault
    };
    ShownSimulator simulatorFor(std::string_view client, const SimulatorIdentity& actual);
    bool isUnknownName(std::string_view name) const;

    struct CallFaults {
        std::optional<HRESULT> failWith;
        std::vector<FaultSetup> exceptionsAfter; // answer the call's packet with these
    };
    CallFaults onCall(std::string_view function, std::string_view client);

    // Whether one more event of a counting fault kind (neverAssign, neverConfirmRemoval) on
    // the client's connection is hit; every fault of the kind counts it.
    bool hits(FaultKind kind, std::string_view client);

    // The size to cut a message of this kind to, counted against truncateMessage faults.
    std::optional<std::size_t> truncation(std::string_view kind, std::string_view client);

    // Faults with a time (brokenPipe, exception and unknownMessage with atSeconds).
    std::optional<double> nextTimed() const;
    std::vector<FaultSetup> takeTimed(double upTo);

private:
    struct Armed {
        FaultSetup setup;
        std::uint32_t seen = 0;
        bool fired = false;
    };
    static bool applies(const Armed& armed, std::string_view client);
    static bool isTimed(const FaultSetup& setup);
    static bool counts(Armed& armed); // counts one more and says whether this one is hit

    std::vector<Armed> faults_;
};

} // namespace skyloom::simworld
