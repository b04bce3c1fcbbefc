#include "refdata/data_set.h"

#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "foundation/encrypted_file.h"
#include "foundation/log_file.h"
#include "foundation/xml.h"

namespace fs = std::filesystem;

namespace skyloom {

namespace {

[[noreturn]] void lf_refuse(const fs::path& path, std::string_view reason) {
    throw std::runtime_error(fmt::format("{}: {}", gf_pathToUtf8(path), reason));
}

std::string lf_parseError(const pugi::xml_parse_result& result) {
    return fmt::format("not valid XML ({} at offset {})", result.description(), result.offset);
}

void lf_parsePlain(DataSetDocument& set, std::size_t maxPlaintextBytes) {
    std::error_code ec;
    const auto size = fs::file_size(set.path, ec);
    if (ec) {
        lf_refuse(set.path, fmt::format("cannot be read ({})", ec.message()));
    }
    if (size > maxPlaintextBytes) {
        lf_refuse(set.path, fmt::format("larger than {} bytes", maxPlaintextBytes));
    }
    const auto result = set.document.load_file(set.path.c_str());
    if (result.status == pugi::status_file_not_found || result.status == pugi::status_io_error) {
        lf_refuse(set.path, "cannot be read");
    }
    if (!result) {
        lf_refuse(set.path, lf_parseError(result));
    }
}

void lf_parseEncrypted(DataSetDocument& set, std::size_t maxPlaintextBytes) {
    auto decrypted = gf_readEncryptedFile(set.path, maxPlaintextBytes);
    if (!decrypted.ok) {
        throw std::runtime_error(decrypted.error);
    }
    set.plaintext = std::move(decrypted.plaintext);
    const auto result =
        set.document.load_buffer_inplace(set.plaintext.data(), set.plaintext.size());
    if (!result) {
        lf_refuse(set.path, lf_parseError(result));
    }
}

} // namespace

std::optional<fs::path> gf_findDataSet(const fs::path& folder, std::string_view name) {
    for (const auto extension : {kDataSetEncryptedExtension, kDataSetPlainExtension}) {
        auto path = folder / (std::string(name) + std::string(extension));
        std::error_code ec;
        if (fs::is_regular_file(path, ec)) {
            return path;
        }
    }
    return std::nullopt;
}

std::unique_ptr<DataSetDocument> gf_loadDataSet(const fs::path& path, std::string_view expectedName,
                                                std::size_t maxPlaintextBytes) {
    auto set = std::make_unique<DataSetDocument>();
    set->path = path;
    if (path.extension() == kDataSetEncryptedExtension) {
        lf_parseEncrypted(*set, maxPlaintextBytes);
    } else {
        lf_parsePlain(*set, maxPlaintextBytes);
    }

    auto check = gf_checkFileHeader(set->document, HeaderCheckMode::lenient);
    if (!check.accepted) {
        lf_refuse(path, check.reason);
    }
    set->header = std::move(check.header);

    const auto dataset = set->root().child("dataset");
    if (!dataset) {
        lf_refuse(path, "no 'dataset' element");
    }
    set->name = dataset.attribute("name").as_string();
    set->version = dataset.attribute("version").as_string();
    if (!expectedName.empty() && set->name != expectedName) {
        lf_refuse(path, fmt::format("holds the data set '{}', not '{}'", set->name, expectedName));
    }
    if (!gf_parseDottedVersion(set->version)) {
        lf_refuse(path, fmt::format("invalid data set version '{}'", set->version));
    }
    return set;
}

std::unique_ptr<DataSetDocument> gf_loadDataSetFrom(const fs::path& folder, std::string_view name) {
    const auto path = gf_findDataSet(folder, name);
    if (!path) {
        throw std::runtime_error(
            fmt::format("{} not found in {} ({}{} or {}{})", name, gf_pathToUtf8(folder), name,
                        kDataSetEncryptedExtension, name, kDataSetPlainExtension));
    }
    return gf_loadDataSet(*path, name);
}

std::optional<DottedVersion> gf_localDataSetVersion(const fs::path& folder, std::string_view name) {
    const auto path = gf_findDataSet(folder, name);
    if (!path) {
        return std::nullopt;
    }
    try {
        const auto set = gf_loadDataSet(*path, name);
        return gf_parseDottedVersion(set->version);
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("Data set {} is not usable: {}", name, e.what()));
        return std::nullopt;
    }
}

pugi::xml_node gf_startDataSetDocument(pugi::xml_document& document, std::string_view name,
                                       std::string_view version) {
    if (!gf_writeFileHeader(document, gf_makeFileHeader(kHeaderSimMsfs2024))) {
        throw std::runtime_error(fmt::format("cannot write the header of data set {}", name));
    }
    auto root = document.child("root");
    auto dataset = root.append_child("dataset");
    gf_setXmlAttribute(dataset, "name", name);
    gf_setXmlAttribute(dataset, "version", version);
    return root;
}

bool gf_dataSetBool(std::string_view text) noexcept {
    if (text.empty()) {
        return false;
    }
    switch (text.front()) {
    case '1':
    case 't':
    case 'T':
    case 'y':
    case 'Y':
        return true;
    default:
        return false;
    }
}

} // namespace skyloom
