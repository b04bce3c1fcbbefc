#include "platform/simworld/data_definition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include <fmt/format.h>

namespace skyloom::simworld {

namespace {

bool lf_isTextType(SIMCONNECT_DATATYPE type) {
    return type >= SIMCONNECT_DATATYPE_STRING8 && type <= SIMCONNECT_DATATYPE_STRINGV;
}

template <typename T> void lf_append(std::vector<std::byte>& out, T value) {
    const auto offset = out.size();
    out.resize(offset + sizeof(T));
    std::memcpy(out.data() + offset, &value, sizeof(T));
}

template <typename Int> Int lf_truncate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lo = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<Int>::max());
    if (value <= lo) {
        return std::numeric_limits<Int>::min();
    }
    if (value >= hi) {
        return std::numeric_limits<Int>::max();
    }
    // A value a rounding step away from a whole number (600 fpm in feet per second) is that
    // number, not the one below it.
    const double nearest = std::round(value);
    if (std::abs(value - nearest) <= 1e-9 * std::max(1.0, std::abs(value))) {
        return static_cast<Int>(nearest);
    }
    return static_cast<Int>(std::trunc(value));
}

template <typename T> T lf_read(const std::byte* data) {
    T value;
    std::memcpy(&value, data, sizeof(T));
    return value;
}

std::string lf_join(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& part : parts) {
        if (!out.empty()) {
            out += ", ";
        }
        out += part;
    }
    return out;
}

} // namespace

std::size_t gf_dataTypeSize(SIMCONNECT_DATATYPE type) {
    switch (type) {
    case SIMCONNECT_DATATYPE_INT32:
    case SIMCONNECT_DATATYPE_FLOAT32:
        return 4;
    case SIMCONNECT_DATATYPE_INT64:
    case SIMCONNECT_DATATYPE_FLOAT64:
    case SIMCONNECT_DATATYPE_STRING8:
        return 8;
    case SIMCONNECT_DATATYPE_STRING32:
        return 32;
    case SIMCONNECT_DATATYPE_STRING64:
        return 64;
    case SIMCONNECT_DATATYPE_STRING128:
        return 128;
    case SIMCONNECT_DATATYPE_STRING256:
        return 256;
    case SIMCONNECT_DATATYPE_STRING260:
        return 260;
    default:
        return 0;
    }
}

std::string_view gf_dataTypeName(SIMCONNECT_DATATYPE type) {
    switch (type) {
    case SIMCONNECT_DATATYPE_INT32:
        return "INT32";
    case SIMCONNECT_DATATYPE_INT64:
        return "INT64";
    case SIMCONNECT_DATATYPE_FLOAT32:
        return "FLOAT32";
    case SIMCONNECT_DATATYPE_FLOAT64:
        return "FLOAT64";
    case SIMCONNECT_DATATYPE_STRING8:
        return "STRING8";
    case SIMCONNECT_DATATYPE_STRING32:
        return "STRING32";
    case SIMCONNECT_DATATYPE_STRING64:
        return "STRING64";
    case SIMCONNECT_DATATYPE_STRING128:
        return "STRING128";
    case SIMCONNECT_DATATYPE_STRING256:
        return "STRING256";
    case SIMCONNECT_DATATYPE_STRING260:
        return "STRING260";
    case SIMCONNECT_DATATYPE_STRINGV:
        return "STRINGV";
    default:
        return "INVALID";
    }
}

std::variant<DefinitionItem, DefinitionError>
gf_makeDefinitionItem(const char* datumName, const char* unitsName, SIMCONNECT_DATATYPE type,
                      const std::function<bool(std::string_view)>& isUnknown) {
    const std::string datum = datumName != nullptr ? datumName : "";
    const std::string unitText = unitsName != nullptr ? unitsName : "";
    const std::optional<VariableRef> variable =
        isUnknown(datum) ? std::nullopt : gf_findVariable(datum);
    if (!variable) {
        return DefinitionError{SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, kDatumNameIndex,
                               fmt::format("unknown variable \"{}\"", datum)};
    }
    const Variable& v = *variable->variable;
    if (type != SIMCONNECT_DATATYPE_STRINGV && gf_dataTypeSize(type) == 0) {
        return DefinitionError{SIMCONNECT_EXCEPTION_INVALID_DATA_TYPE, kDatumTypeIndex,
                               fmt::format("data type {} unknown", static_cast<DWORD>(type))};
    }
    DefinitionItem item{datum, unitText, type, *variable, nullptr};
    if (v.dimension == Dimension::text) {
        if (!unitText.empty() && !isUnknown(unitText)) {
            if (gf_findUnit(unitText) == nullptr) {
                return DefinitionError{SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, kUnitsNameIndex,
                                       fmt::format("unknown unit \"{}\"", unitText)};
            }
            return DefinitionError{SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, kUnitsNameIndex,
                                   fmt::format("{} takes no unit, not \"{}\"", v.name, unitText)};
        }
        if (!lf_isTextType(type)) {
            return DefinitionError{
                SIMCONNECT_EXCEPTION_INVALID_DATA_TYPE, kDatumTypeIndex,
                fmt::format("{} is text, not {}", v.name, gf_dataTypeName(type))};
        }
        return item;
    }
    const Unit* unit = isUnknown(unitText) ? nullptr : gf_findUnit(unitText);
    if (unit == nullptr) {
        return DefinitionError{SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, kUnitsNameIndex,
                               fmt::format("unknown unit \"{}\"", unitText)};
    }
    if (unit->dimension != v.dimension) {
        return DefinitionError{SIMCONNECT_EXCEPTION_NAME_UNRECOGNIZED, kUnitsNameIndex,
                               fmt::format("unit \"{}\" ({}) does not fit {} ({})", unitText,
                                           gf_dimensionName(unit->dimension), v.name,
                                           gf_dimensionName(v.dimension))};
    }
    if (lf_isTextType(type)) {
        return DefinitionError{
            SIMCONNECT_EXCEPTION_INVALID_DATA_TYPE, kDatumTypeIndex,
            fmt::format("{} is a number, not {}", v.name, gf_dataTypeName(type))};
    }
    item.unit = unit;
    return item;
}

EncodedData gf_encodeData(const DataDefinition& definition, const VariableContext& context) {
    EncodedData out;
    std::vector<std::string> parts;
    for (const DefinitionItem& item : definition) {
        const Variable& v = *item.variable.variable;
        const VariableValue value = v.get(context, item.variable.index);
        if (const auto* text = std::get_if<std::string>(&value)) {
            if (item.type == SIMCONNECT_DATATYPE_STRINGV) {
                for (char c : *text) {
                    out.bytes.push_back(static_cast<std::byte>(c));
                }
                out.bytes.push_back(std::byte{0});
                parts.push_back(fmt::format("{}=\"{}\"", item.datumName, *text));
                continue;
            }
            // A fixed field is filled: a NUL follows the text only when it is shorter.
            const std::size_t size = gf_dataTypeSize(item.type);
            const std::string kept = text->substr(0, size);
            const auto offset = out.bytes.size();
            out.bytes.resize(offset + size, std::byte{0});
            std::memcpy(out.bytes.data() + offset, kept.data(), kept.size());
            parts.push_back(fmt::format("{}=\"{}\"", item.datumName, kept));
            continue;
        }
        const Unit* native = gf_findUnit(v.nativeUnit);
        const double converted = gf_convertUnits(std::get<double>(value), *native, *item.unit);
        switch (item.type) {
        case SIMCONNECT_DATATYPE_INT32:
            lf_append(out.bytes, lf_truncate<std::int32_t>(converted));
            parts.push_back(fmt::format("{}={} {}", item.datumName,
                                        lf_truncate<std::int32_t>(converted), item.unitName));
            break;
        case SIMCONNECT_DATATYPE_INT64:
            lf_append(out.bytes, lf_truncate<std::int64_t>(converted));
            parts.push_back(fmt::format("{}={} {}", item.datumName,
                                        lf_truncate<std::int64_t>(converted), item.unitName));
            break;
        case SIMCONNECT_DATATYPE_FLOAT32:
            lf_append(out.bytes, static_cast<float>(converted));
            parts.push_back(fmt::format("{}={:.6f} {}", item.datumName,
                                        static_cast<float>(converted), item.unitName));
            break;
        default:
            lf_append(out.bytes, converted);
            parts.push_back(fmt::format("{}={:.6f} {}", item.datumName, converted, item.unitName));
            break;
        }
    }
    out.text = lf_join(parts);
    return out;
}

std::optional<std::size_t> gf_definitionSize(const DataDefinition& definition) {
    std::size_t total = 0;
    for (const DefinitionItem& item : definition) {
        const std::size_t size = gf_dataTypeSize(item.type);
        if (size == 0) {
            return std::nullopt;
        }
        total += size;
    }
    return total;
}

std::optional<DefinitionError> gf_applyData(const DataDefinition& definition, const std::byte* data,
                                            std::size_t size, ObjectState& object,
                                            std::string* text) {
    const std::optional<std::size_t> expected = gf_definitionSize(definition);
    if (!expected || *expected != size) {
        return DefinitionError{
            SIMCONNECT_EXCEPTION_INVALID_DATA_SIZE, 6,
            expected ? fmt::format("{} bytes given, the definition holds {}", size, *expected)
                     : std::string("a definition with STRINGV cannot be set")};
    }
    for (std::size_t i = 0; i < definition.size(); ++i) {
        const Variable& v = *definition[i].variable.variable;
        if (v.set == nullptr || v.dimension == Dimension::text) {
            return DefinitionError{SIMCONNECT_EXCEPTION_DATA_ERROR, 7,
                                   fmt::format("{} cannot be set (item {})", v.name, i + 1)};
        }
    }
    // Every item can be set: the values go straight into the object. Positions are written
    // on every frame for every AI object, so nothing is copied and no text is made unasked.
    std::vector<std::string> parts;
    std::size_t offset = 0;
    for (const DefinitionItem& item : definition) {
        double value = 0;
        switch (item.type) {
        case SIMCONNECT_DATATYPE_INT32:
            value = lf_read<std::int32_t>(data + offset);
            break;
        case SIMCONNECT_DATATYPE_INT64:
            value = static_cast<double>(lf_read<std::int64_t>(data + offset));
            break;
        case SIMCONNECT_DATATYPE_FLOAT32:
            value = lf_read<float>(data + offset);
            break;
        default:
            value = lf_read<double>(data + offset);
            break;
        }
        offset += gf_dataTypeSize(item.type);
        if (text != nullptr) {
            parts.push_back(fmt::format("{}={:.6f} {}", item.datumName, value, item.unitName));
        }
        const Variable& v = *item.variable.variable;
        v.set(object, item.variable.index,
              gf_convertUnits(value, *item.unit, *gf_findUnit(v.nativeUnit)));
    }
    if (text != nullptr) {
        *text = lf_join(parts);
    }
    return std::nullopt;
}

} // namespace skyloom::simworld
