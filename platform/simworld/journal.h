// The world's journal: every API call with its arguments and result, every message as the
// client receives it, and every world event (timeline, faults), in order, for golden tests and
// for simprobe. A line reads "{seconds:9.3f} {who} {mark} {text}" with who "c1", "c2", ... for a
// connection ("--" for none) and mark ">" for a call, "<" for a message, "*" for the world.
// The journal keeps its newest entries up to a limit and counts those it let go.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace skyloom::simworld {

enum class JournalKind { call, message, world };

struct JournalEntry {
    double seconds = 0;
    std::uint32_t connection = 0; // 0: none
    JournalKind kind = JournalKind::world;
    std::string text;
};

std::string gf_formatJournalEntry(const JournalEntry& entry);

class Journal {
public:
    explicit Journal(std::size_t maxEntries) : maxEntries_(maxEntries) {}

    void add(double seconds, std::uint32_t connection, JournalKind kind, std::string text);
    std::vector<JournalEntry> entries() const { return {entries_.begin(), entries_.end()}; }
    std::vector<std::string> lines() const;
    std::uint64_t dropped() const { return dropped_; }
    // False when the journal keeps no entries: callers may skip building their texts.
    bool keeps() const { return maxEntries_ > 0; }
    void clear();

private:
    std::size_t maxEntries_;
    std::deque<JournalEntry> entries_;
    std::uint64_t dropped_ = 0;
};

} // namespace skyloom::simworld
