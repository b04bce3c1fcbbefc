// Helpers for the App road's tests: RTTFC datagrams built field by field and a recorder of the
// batches a reader posts (and the log capture of tests/support, which they all use).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "feed/app_traffic_assembler.h"
#include "feed/traffic_entry.h"
#include "tests/support/log_capture.h"
#include "tests/support/recording_decoder.h"
#include "traffic/step/traffic_mailbox.h"

namespace skyloom::testing {

// An RTTFC datagram of 44 fields: the given values in their places, the rest as the API
// example has them. `fields` maps field positions to texts.
std::string rttfcDatagram(const std::map<std::size_t, std::string>& fields = {});
// The API documentation's (v6) example datagram, verbatim.
inline constexpr std::string_view kV6ExampleDatagram =
    "RTTFC,10750303,-33.7964,152.3938,20375,1376,1,66.77,484.30,UAL842,B789,N35953,SYD,LAX,"
    "1645144889.8,X2,UA842,F_adsb_icao,21350,343,466,0.744,-0.0,0.5,54.49,67.59,1280,none,A5,"
    "1012.8,35008,-1,54.84,autopilot|vnav|lnav|tcas,0.0,-20.8,227,19,-15,14,1,26235,268697,UAL";

struct PostedBatch {
    std::vector<TrafficEntry> entries;
    TrafficBatchKind kind = TrafficBatchKind::live;
    std::uint32_t offsetBase = 0;
    bool dropWhenOff = false;
};

// Records every batch posted through `post()`, thread-safe.
class BatchRecorder {
public:
    TrafficBatchPost post();
    std::vector<PostedBatch> batches() const;
    std::size_t count() const;

private:
    mutable std::mutex mutex_;
    std::vector<PostedBatch> batches_;
};

} // namespace skyloom::testing
