// Data definitions of one connection: the items a client added with AddToDataDefinition,
// checked against the variable and unit catalogues when they are added, turned into the bytes
// of an object-data message (with a text of the values for the journal) and read back from
// the bytes of a SetDataOnSimObject. An item that does not fit is refused with the exception
// code the simulator gives and the index of the argument at fault.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/simconnect/simconnect_enums.h"
#include "platform/simworld/variables.h"

namespace skyloom::simworld {

// Argument positions of SimConnect_AddToDataDefinition, counted from 1 with the handle first.
inline constexpr DWORD kDatumNameIndex = 3;
inline constexpr DWORD kUnitsNameIndex = 4;
inline constexpr DWORD kDatumTypeIndex = 5;

struct DefinitionItem {
    std::string datumName; // as the client wrote it
    std::string unitName;  // as the client wrote it; empty for text
    SIMCONNECT_DATATYPE type = SIMCONNECT_DATATYPE_FLOAT64;
    VariableRef variable;
    const Unit* unit = nullptr; // nullptr for text
};

struct DefinitionError {
    DWORD exception = 0;
    DWORD index = 0;
    std::string reason;
};

using DataDefinition = std::vector<DefinitionItem>;

// Bytes of one value of the type; 0 for STRINGV and for an unknown type.
std::size_t gf_dataTypeSize(SIMCONNECT_DATATYPE type);
std::string_view gf_dataTypeName(SIMCONNECT_DATATYPE type);

// Checks one item. isUnknown names the variables a fault makes unknown.
std::variant<DefinitionItem, DefinitionError>
gf_makeDefinitionItem(const char* datumName, const char* unitsName, SIMCONNECT_DATATYPE type,
                      const std::function<bool(std::string_view)>& isUnknown);

struct EncodedData {
    std::vector<std::byte> bytes;
    std::string text; // "NAME=value unit, ..."
};

EncodedData gf_encodeData(const DataDefinition& definition, const VariableContext& context);

// Bytes one set of the definition takes, or nothing when it holds a STRINGV item.
std::optional<std::size_t> gf_definitionSize(const DataDefinition& definition);

// Writes the values of `data` into the object. Refuses (and changes nothing) a size that does
// not fit, a text item and a variable that cannot be set; `text` (unless null) receives the
// values.
std::optional<DefinitionError> gf_applyData(const DataDefinition& definition, const std::byte* data,
                                            std::size_t size, ObjectState& object,
                                            std::string* text);

} // namespace skyloom::simworld
