// One value of a world file with its place (a JSON pointer), for reading it and for errors
// that name the file, the place and the fault. Every reader of a world file's sections uses it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/simworld/world_file.h"

namespace skyloom::simworld {

class WorldFileNode {
public:
    WorldFileNode(const nlohmann::json& value, std::string pointer, std::string_view source)
        : value_(value), pointer_(std::move(pointer)), source_(source) {}

    [[noreturn]] void fail(std::string_view what) const {
        throw WorldFileError(
            fmt::format("{}: {}: {}", source_, pointer_.empty() ? "/" : pointer_, what));
    }

    void expectKeys(std::initializer_list<std::string_view> keys) const {
        if (!value_.is_object()) {
            fail("an object is expected here");
        }
        for (const auto& [key, unused] : value_.items()) {
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
                child(key).fail("unknown key");
            }
        }
    }

    bool has(std::string_view key) const { return value_.is_object() && value_.contains(key); }
    WorldFileNode child(std::string_view key) const {
        return WorldFileNode(value_.at(std::string(key)), pointer_ + "/" + std::string(key),
                             source_);
    }
    WorldFileNode at(std::string_view key) const {
        if (!has(key)) {
            fail(fmt::format("\"{}\" is missing", key));
        }
        return child(key);
    }

    double number() const {
        if (!value_.is_number()) {
            fail("a number is expected here");
        }
        return value_.get<double>();
    }
    double number(double lo, double hi) const {
        const double v = number();
        if (!(v >= lo && v <= hi)) {
            fail(fmt::format("{} is outside {} to {}", v, lo, hi));
        }
        return v;
    }
    std::int64_t integer(std::int64_t lo, std::int64_t hi) const {
        if (!value_.is_number_integer()) {
            fail("a whole number is expected here");
        }
        const std::int64_t v =
            value_.is_number_unsigned()
                ? static_cast<std::int64_t>(std::min<std::uint64_t>(
                      value_.get<std::uint64_t>(),
                      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())))
                : value_.get<std::int64_t>();
        if (v < lo || v > hi) {
            fail(fmt::format("{} is outside {} to {}", v, lo, hi));
        }
        return v;
    }
    std::uint32_t u32() const {
        return static_cast<std::uint32_t>(integer(0, std::numeric_limits<std::uint32_t>::max()));
    }
    bool boolean() const {
        if (!value_.is_boolean()) {
            fail("true or false is expected here");
        }
        return value_.get<bool>();
    }
    std::string text() const {
        if (!value_.is_string()) {
            fail("a text is expected here");
        }
        return value_.get<std::string>();
    }
    std::vector<WorldFileNode> items() const {
        if (!value_.is_array()) {
            fail("a list is expected here");
        }
        std::vector<WorldFileNode> out;
        for (std::size_t i = 0; i < value_.size(); ++i) {
            out.emplace_back(value_.at(i), fmt::format("{}/{}", pointer_, i), source_);
        }
        return out;
    }

private:
    const nlohmann::json& value_;
    std::string pointer_;
    std::string_view source_;
};

} // namespace skyloom::simworld
