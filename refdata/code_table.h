// The run's code tables: ICAO aircraft model codes (`ModelCodeTable`) and airline codes
// (`AirlineCodeTable`), each a list of code texts indexed by a 16-bit id. Id 0 is always the
// empty code, so a livery without operator carries operator id 0. A code not yet in a table is
// appended, from any thread: the feed's readers build keys while the main worker reads the
// tables. Ids stay valid for the whole process; a table never gives an id twice. When all 65536
// ids are taken, further new codes get id 0 and the table says so once in the log.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/fnv_hash.h"

namespace skyloom {

// 16-bit ids: 65536 codes at most, the empty code included.
inline constexpr std::size_t kMaxCodeTableSize = 65536;

class CodeTable {
public:
    // `kind` names the table in the log ("model", "airline").
    explicit CodeTable(std::string_view kind);
    virtual ~CodeTable() = default;
    CodeTable(const CodeTable&) = delete;
    CodeTable& operator=(const CodeTable&) = delete;

    // The id of the code (exact bytes, case-sensitive), appending it when new. 0 for the empty
    // code, and for a new code once the table is full.
    std::uint16_t intern(std::string_view code);
    // The id of a code already in the table; no value otherwise.
    std::optional<std::uint16_t> find(std::string_view code) const;
    // The code of an id; the empty text for an id beyond the table's end.
    std::string text(std::uint16_t id) const;
    std::size_t size() const;

    // Back to the empty code alone. Only for a fresh start of everything that holds ids
    // (tests); ids handed out before name other codes afterwards.
    void reset();

private:
    const std::string kind_;
    mutable std::shared_mutex mutex_;
    std::vector<std::string> codes_;
    FnvStringMap<std::uint16_t> ids_;
    std::atomic<bool> fullReported_{false};
};

class ModelCodeTable final : public CodeTable {
public:
    ModelCodeTable() : CodeTable("model") {}
};

class AirlineCodeTable final : public CodeTable {
public:
    AirlineCodeTable() : CodeTable("airline") {}
};

// The program's two tables.
ModelCodeTable& gf_modelCodeTable();
AirlineCodeTable& gf_airlineCodeTable();

// The id of an ICAO model code. A code not in the table that has a model fix in the dbase
// (gf_lookupModelFix) gives the fixed code's id when that code is in the table; otherwise the
// code is appended.
std::uint16_t gf_modelId(std::string_view code);
// The same as gf_modelId.
std::uint16_t gf_modelIdOf(std::string_view code);
// The id of an airline code, appending it when new.
std::uint16_t gf_airlineId(std::string_view code);

// The code texts of ids; empty for an id beyond a table's end.
std::string gf_modelCode(std::uint16_t id);
std::string gf_airlineCode(std::uint16_t id);

} // namespace skyloom
