// The faults a world injects, and their bookkeeping: which open to refuse, which simulator
// name to show, which names to pretend not to know, which call to fail or to answer with an
// exception, which message to cut, and the faults that fall due at a time (broken pipe, an
// exception or an unknown message). Faults that count (nth, count) count only the calls or
// messages of connections they apply to.
#pragma once

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

class FaultPlan {
public:
    explicit FaultPlan(std::vector<FaultSetup> faults = {});
    void add(FaultSetup fault);

    // A refusal of this open, counted against refuseOpen faults.
    std::optional<HRESULT> refuseOpen(std::string_view client, double now);
    // The application name the OPEN message of a new connection shows.
    std::string applicationNameFor(std::string_view client, const std::string& actual);
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
