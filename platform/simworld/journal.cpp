#include "platform/simworld/journal.h"

#include <fmt/format.h>

namespace skyloom::simworld {

std::string gf_formatJournalEntry(const JournalEntry& entry) {
    const char mark = entry.kind == JournalKind::call      ? '>'
                      : entry.kind == JournalKind::message ? '<'
                                                           : '*';
    const std::string who = entry.connection == 0 ? "--" : fmt::format("c{}", entry.connection);
    return fmt::format("{:9.3f} {} {} {}", entry.seconds, who, mark, entry.text);
}

void Journal::add(double seconds, std::uint32_t connection, JournalKind kind, std::string text) {
    if (maxEntries_ == 0) {
        ++dropped_;
        return;
    }
    if (entries_.size() >= maxEntries_) {
        entries_.pop_front();
        ++dropped_;
    }
    entries_.push_back(JournalEntry{seconds, connection, kind, std::move(text)});
}

std::vector<std::string> Journal::lines() const {
    std::vector<std::string> out;
    out.reserve(entries_.size());
    for (const JournalEntry& entry : entries_) {
        out.push_back(gf_formatJournalEntry(entry));
    }
    return out;
}

void Journal::clear() {
    entries_.clear();
    dropped_ = 0;
}

} // namespace skyloom::simworld
