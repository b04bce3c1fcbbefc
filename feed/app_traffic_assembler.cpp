#include "feed/app_traffic_assembler.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "feed/feed_fields.h"
#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "feed/rt_app_datagram.h"
#include "feed/stray_timestamps.h"
#include "feed/time_offsets.h"
#include "foundation/log_file.h"

namespace skyloom {
namespace {

// Unknown markers are logged once each, up to this many names.
constexpr std::size_t kMaxLoggedMarkerNames = 20;

} // namespace

void RejectedDatagramLog::report(std::string_view reason) {
    ++count_;
    if (count_ <= kMaxLoggedRejections) {
        LogFile::writeImportant(fmt::format("{}: datagram rejected: {}", readerName_, reason));
    }
    if (count_ == kMaxLoggedRejections) {
        LogFile::writeImportant(
            fmt::format("{}: further rejected datagrams are counted, not logged", readerName_));
    }
}

void RejectedDatagramLog::logCount() {
    if (count_ == countLogged_) {
        return;
    }
    countLogged_ = count_;
    LogFile::write(fmt::format("{}: {} datagram{} rejected so far", readerName_, count_,
                               count_ == 1 ? "" : "s"));
}

AppTrafficAssembler::AppTrafficAssembler(std::string readerName, Targets targets)
    : readerName_(std::move(readerName)), targets_(std::move(targets)), rejections_(readerName_),
      receipts_(readerName_) {}

void AppTrafficAssembler::handleDatagram(std::string_view bytes, Clock::SteadyTime now,
                                         Clock::UtcTime receivedAt, std::size_t datagramSize) {
    ++counts_.datagrams;
    try {
        if (datagramSize > bytes.size()) {
            throw FeedRecordError(fmt::format("datagram of {} bytes is too long", datagramSize));
        }
        const AppDatagram datagram = gf_splitAppDatagram(bytes);
        switch (datagram.kind) {
        case AppDatagramKind::marker:
            handleMarker(datagram.marker, now);
            break;
        case AppDatagramKind::traffic:
            if (repeatsLastDatagram(bytes, datagram.fields[1], now)) {
                ++counts_.duplicates;
                break;
            }
            if (auto entry = gf_convertRtTrafficRecord(gf_rttfcRecord(datagram))) {
                gf_checkTimestampNotAhead(entry->timestamp, receivedAt);
                addLiveEntry(std::move(*entry), now, receivedAt);
            } else {
                ++counts_.staticRecords;
            }
            break;
        case AppDatagramKind::buffered:
            if (!bufferAwaited_) {
                throw FeedRecordError(fmt::format("RTBUF={} record while no buffered traffic is "
                                                  "awaited",
                                                  datagram.bufferIndex));
            }
            if (bufferIndex_ && *bufferIndex_ != datagram.bufferIndex) {
                closeBufferedSnapshot(true);
            }
            bufferIndex_ = datagram.bufferIndex;
            if (auto entry = gf_convertRtTrafficRecord(gf_rttfcRecord(datagram))) {
                gf_checkTimestampNotAhead(entry->timestamp, receivedAt);
                buffered_.push_back(std::move(*entry));
                lastBufferedRecord_ = {now, receivedAt};
                ++counts_.bufferedRecords;
            } else {
                ++counts_.staticRecords;
            }
            break;
        case AppDatagramKind::parked:
            parked_.push_back(gf_convertRtParkedRecord(gf_rtparkRecord(datagram)));
            lastParkedRecord_ = now;
            ++counts_.parkedRecords;
            break;
        }
    } catch (const FeedRecordError& e) {
        rejections_.report(e.what());
        counts_.rejected = rejections_.count();
    }
}

void AppTrafficAssembler::handleMarker(std::string_view marker, Clock::SteadyTime) {
    const bool bufferMarker = marker == kBufferSeparatorMarker || marker == kBufferEndMarker;
    if (bufferMarker && !bufferAwaited_) {
        throw FeedRecordError(
            fmt::format("marker '{}' while no buffered traffic is awaited", marker));
    }
    ++counts_.markers;
    if (marker == kLiveEndMarker) {
        closeLiveBatch();
    } else if (marker == kBufferSeparatorMarker) {
        closeBufferedSnapshot(true);
    } else if (marker == kBufferEndMarker) {
        closeBufferedSnapshot(false);
        bufferedDone_ = true;
        bufferAwaited_ = false;
        LogFile::write(fmt::format("{}: buffered traffic received, {} snapshot{}", readerName_,
                                   separatorCount_, separatorCount_ == 1 ? "" : "s"));
    } else if (unknownMarkers_.size() < kMaxLoggedMarkerNames &&
               unknownMarkers_.emplace(marker).second) {
        LogFile::write(fmt::format("{}: marker '{}' ignored", readerName_, marker));
    }
}

bool AppTrafficAssembler::repeatsLastDatagram(std::string_view bytes, std::string_view hexidField,
                                              Clock::SteadyTime now) {
    forgetOldDatagrams(now);
    LastDatagram& last = lastDatagrams_[gf_decimalHexid(hexidField)];
    last.heardAt = now;
    if (last.bytes == bytes) {
        return true;
    }
    last.bytes.assign(bytes);
    return false;
}

void AppTrafficAssembler::forgetOldDatagrams(Clock::SteadyTime now) {
    // One sweep per memory span is enough: nothing is kept much more than twice that long.
    if (now - lastForgetting_ < kRepeatMemory) {
        return;
    }
    lastForgetting_ = now;
    std::erase_if(lastDatagrams_,
                  [now](const auto& item) { return now - item.second.heardAt >= kRepeatMemory; });
}

void AppTrafficAssembler::tick(Clock::SteadyTime now) {
    if (receipts_.logWhenDue(now)) {
        rejections_.logCount();
    }
    if (!live_.empty() && now - lastLiveRecord_.steady >= kBurstGap) {
        closeLiveBatch();
    }
    if (!parked_.empty() && now - lastParkedRecord_ >= kParkedGap) {
        completeParkedList();
    } else if (parked_.empty() && parkedRequestedAt_ && now - *parkedRequestedAt_ >= kParkedWait) {
        completeParkedList();
    }
}

void AppTrafficAssembler::logReceipts() {
    receipts_.logNow();
    rejections_.logCount();
}

void AppTrafficAssembler::parkedRequested(Clock::SteadyTime now) {
    parked_.clear();
    parkedRequestedAt_ = now;
}

void AppTrafficAssembler::bufferRequested() {
    buffered_.clear();
    bufferIndex_.reset();
    separatorCount_ = 0;
    bufferedDone_ = false;
    bufferAwaited_ = true;
}

void AppTrafficAssembler::bufferWaitOver() {
    buffered_.clear();
    bufferIndex_.reset();
    bufferAwaited_ = false;
}

void AppTrafficAssembler::addLiveEntry(TrafficEntry entry, Clock::SteadyTime now,
                                       Clock::UtcTime receivedAt) {
    if (live_.empty()) {
        liveOpenedAt_ = now;
    }
    if (!liveHexids_.insert(entry.hexid).second) {
        switch (refuseOffClockRepeat(entry, receivedAt)) {
        case RepeatRefused::incoming:
            return;
        case RepeatRefused::held:
            break;
        case RepeatRefused::none:
            if (now - liveOpenedAt_ < kBurstGap) {
                keepNewerReport(std::move(entry), now, receivedAt);
                return;
            }
            // The App reports each aircraft once a round: this one opens the next round.
            closeLiveBatch();
            liveHexids_.insert(entry.hexid);
            liveOpenedAt_ = now;
            break;
        }
    }
    live_.push_back(std::move(entry));
    lastLiveRecord_ = {now, receivedAt};
    ++counts_.liveRecords;
    if (live_.size() >= kMaxLiveBatchEntries) {
        closeLiveBatch();
    }
}

void AppTrafficAssembler::keepNewerReport(TrafficEntry entry, Clock::SteadyTime now,
                                          Clock::UtcTime receivedAt) {
    const auto held = std::find_if(live_.begin(), live_.end(), [&entry](const TrafficEntry& e) {
        return e.hexid == entry.hexid;
    });
    if (held != live_.end() && !(entry.timestamp < held->timestamp)) {
        *held = std::move(entry);
    }
    lastLiveRecord_ = {now, receivedAt};
    ++counts_.liveRecords;
    ++counts_.repeatsInRound;
}

AppTrafficAssembler::RepeatRefused
AppTrafficAssembler::refuseOffClockRepeat(const TrafficEntry& entry, Clock::UtcTime receivedAt) {
    const auto held = std::find_if(live_.begin(), live_.end(), [&entry](const TrafficEntry& e) {
        return e.hexid == entry.hexid;
    });
    if (held == live_.end()) {
        return RepeatRefused::none;
    }
    // Both lie within a round of each other, far less than the clock's margins.
    std::optional<std::string> incoming = feedClock_.offClockReason(entry.timestamp, receivedAt);
    std::optional<std::string> kept = feedClock_.offClockReason(held->timestamp, receivedAt);
    if (incoming.has_value() == kept.has_value()) {
        return RepeatRefused::none;
    }
    const auto refuse = [this](std::uint32_t hexid, const std::string& reason) {
        rejections_.report(fmt::format("hexid {}: {}", hexid, reason));
        counts_.rejected = rejections_.count();
    };
    if (incoming) {
        refuse(entry.hexid, *incoming);
        return RepeatRefused::incoming;
    }
    refuse(held->hexid, *kept);
    live_.erase(held);
    return RepeatRefused::held;
}

void AppTrafficAssembler::refuseStrays(std::vector<TrafficEntry>& batch,
                                       const Receipt& lastRecord) {
    const auto refuse = [this](const std::vector<StrayEntry>& strays) {
        for (const StrayEntry& stray : strays) {
            rejections_.report(fmt::format("hexid {}: {}", stray.entry.hexid, stray.reason));
        }
    };
    refuse(gf_takeStrayEntries(batch));
    // The batch's own median first: a stray of a round teaches the feed's clock nothing.
    refuse(feedClock_.takeEntriesOffClock(batch, lastRecord.utc, lastRecord.steady));
    counts_.rejected = rejections_.count();
}

void AppTrafficAssembler::closeLiveBatch() {
    liveHexids_.clear();
    refuseStrays(live_, lastLiveRecord_);
    if (live_.empty()) {
        return;
    }
    if (targets_.identities != nullptr) {
        targets_.identities->collect(live_);
    }
    ++counts_.liveBatches;
    receipts_.count(live_);
    receipts_.count(targets_.post(live_, TrafficBatchKind::live, kLiveOffsetBaseSeconds, true));
    live_.clear();
}

void AppTrafficAssembler::closeBufferedSnapshot(bool separator) {
    bufferIndex_.reset();
    // The snapshot's place is the number of snapshots closed before it. The oldest, 30 s old
    // when it comes, is due at once; each later one, 6 s younger, 6 s later; so every one
    // plays 30 s after it was seen, and the newest (6 s old) 6 s before the first live batch.
    const std::uint32_t place = separatorCount_;
    // A separator counts even after an empty snapshot, so that every snapshot keeps the delay
    // of its place; the end marker closes a last snapshot only when it holds something.
    if (separator || !buffered_.empty()) {
        ++separatorCount_;
    }
    refuseStrays(buffered_, lastBufferedRecord_);
    if (buffered_.empty()) {
        return;
    }
    ++counts_.bufferedBatches;
    receipts_.count(buffered_);
    targets_.post(buffered_, TrafficBatchKind::buffered,
                  kBufferedOffsetBaseSecondsPerSnapshot * place, false);
    buffered_.clear();
}

void AppTrafficAssembler::completeParkedList() {
    parkedRequestedAt_.reset();
    ++counts_.parkedLists;
    LogFile::write(fmt::format("{}: {} parked aircraft received", readerName_, parked_.size()));
    if (targets_.parked != nullptr) {
        targets_.parked->complete(std::move(parked_));
    }
    parked_.clear();
}

} // namespace skyloom
