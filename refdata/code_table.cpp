#include "refdata/code_table.h"

#include <mutex>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "refdata/dbase_lookups.h"

namespace skyloom {

CodeTable::CodeTable(std::string_view kind) : kind_(kind) {
    reset();
}

std::uint16_t CodeTable::intern(std::string_view code) {
    {
        std::shared_lock lock(mutex_);
        if (const auto it = ids_.find(code); it != ids_.end()) {
            return it->second;
        }
    }
    std::unique_lock lock(mutex_);
    // Another thread may have appended it between the two locks.
    if (const auto it = ids_.find(code); it != ids_.end()) {
        return it->second;
    }
    if (codes_.size() >= kMaxCodeTableSize) {
        lock.unlock();
        if (!fullReported_.exchange(true)) {
            LogFile::writeImportant(fmt::format(
                "The {} code table is full ({} codes): '{}' and every later new code get id 0",
                kind_, kMaxCodeTableSize, code));
        }
        return 0;
    }
    const auto id = static_cast<std::uint16_t>(codes_.size());
    codes_.emplace_back(code);
    ids_.emplace(codes_.back(), id);
    return id;
}

std::optional<std::uint16_t> CodeTable::find(std::string_view code) const {
    std::shared_lock lock(mutex_);
    if (const auto it = ids_.find(code); it != ids_.end()) {
        return it->second;
    }
    return std::nullopt;
}

std::string CodeTable::text(std::uint16_t id) const {
    std::shared_lock lock(mutex_);
    return id < codes_.size() ? codes_[id] : std::string();
}

std::size_t CodeTable::size() const {
    std::shared_lock lock(mutex_);
    return codes_.size();
}

void CodeTable::reset() {
    std::unique_lock lock(mutex_);
    codes_.clear();
    ids_.clear();
    codes_.reserve(4096);
    ids_.max_load_factor(0.7f);
    ids_.reserve(4096);
    codes_.emplace_back();
    ids_.emplace(std::string(), std::uint16_t{0});
    fullReported_ = false;
}

ModelCodeTable& gf_modelCodeTable() {
    static ModelCodeTable table;
    return table;
}

AirlineCodeTable& gf_airlineCodeTable() {
    static AirlineCodeTable table;
    return table;
}

std::uint16_t gf_modelId(std::string_view code) {
    auto& table = gf_modelCodeTable();
    if (const auto id = table.find(code)) {
        return *id;
    }
    if (const auto fixed = gf_lookupModelFix(code)) {
        if (const auto id = table.find(*fixed)) {
            return *id;
        }
    }
    return table.intern(code);
}

std::uint16_t gf_modelIdOf(std::string_view code) {
    return gf_modelId(code);
}

std::uint16_t gf_airlineId(std::string_view code) {
    return gf_airlineCodeTable().intern(code);
}

std::string gf_modelCode(std::uint16_t id) {
    return gf_modelCodeTable().text(id);
}

std::string gf_airlineCode(std::uint16_t id) {
    return gf_airlineCodeTable().text(id);
}

} // namespace skyloom
