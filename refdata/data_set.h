// Reference data sets: the XML documents the program ships in its input folder (dbase,
// airports, wktraffic, ...), each as "<name>.enc" (encrypted, as the maker ships them) or
// "<name>.xml" (plain). Every data set starts with the data-file header and a `dataset` element
// that names the set and its version; the formats are documented in docs/data-sets.md.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "foundation/file_header.h"
#include "foundation/secure_buffer.h"
#include "foundation/text.h"

namespace skyloom {

inline constexpr std::string_view kDataSetEncryptedExtension = ".enc";
inline constexpr std::string_view kDataSetPlainExtension = ".xml";
// The largest plaintext a data set may have.
inline constexpr std::size_t kDataSetMaxBytes = 64u * 1024u * 1024u;

// A loaded and checked data set. The document may point into `plaintext` (an encrypted set is
// parsed in place in guarded memory), so the two live and die together.
struct DataSetDocument {
    std::filesystem::path path;
    SecureBuffer plaintext;
    pugi::xml_document document;
    FileHeader header;
    std::string name;
    // The `dataset` element's version text.
    std::string version;

    pugi::xml_node root() const { return document.child("root"); }
};

// The file of the data set `name` in `folder`: "<name>.enc" when it exists, else "<name>.xml"
// when that exists; no value when neither does.
std::optional<std::filesystem::path> gf_findDataSet(const std::filesystem::path& folder,
                                                    std::string_view name);

// Reads, decrypts (".enc") and parses the data set at `path` and checks its header and its
// `dataset` element: present, with a version that gf_parseDottedVersion accepts and, when
// `expectedName` is not empty, the expected name. Throws std::runtime_error "{path}: {reason}"
// when the file cannot be read, decrypted or parsed or fails a check.
std::unique_ptr<DataSetDocument> gf_loadDataSet(const std::filesystem::path& path,
                                                std::string_view expectedName = {},
                                                std::size_t maxPlaintextBytes = kDataSetMaxBytes);

// The data set `name` of `folder` (gf_findDataSet, then gf_loadDataSet). Throws
// std::runtime_error "{name} not found in {folder} ({name}.enc or {name}.xml)" when neither
// file exists, and as gf_loadDataSet otherwise.
std::unique_ptr<DataSetDocument> gf_loadDataSetFrom(const std::filesystem::path& folder,
                                                    std::string_view name);

// The version of the data set `name` in `folder`; no value when there is none or it cannot be
// read (the reason is logged).
std::optional<DottedVersion> gf_localDataSetVersion(const std::filesystem::path& folder,
                                                    std::string_view name);

// Starts a data-set document for writers (tools, tests): the header of this program version
// for MSFS 2024 and the `dataset` element with name and version. Returns `root`.
pugi::xml_node gf_startDataSetDocument(pugi::xml_document& document, std::string_view name,
                                       std::string_view version);

// Booleans of data sets: any text starting with '1', 't', 'T', 'y' or 'Y' is true.
bool gf_dataSetBool(std::string_view text) noexcept;

} // namespace skyloom
