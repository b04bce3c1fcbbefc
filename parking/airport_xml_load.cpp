#include "parking/airport_xml_load.h"

#include <system_error>

#include <fmt/format.h>

#include "foundation/encrypted_file.h"
#include "foundation/text.h"
#include "foundation/xml.h"

namespace skyloom {

std::optional<std::string> gf_loadAirportXml(const std::filesystem::path& path, bool encrypted,
                                             SecureBuffer& plaintext,
                                             pugi::xml_document& document) {
    const std::string name = gf_pathToUtf8(path);
    pugi::xml_parse_result parsed;
    if (encrypted) {
        EncryptedFileResult decrypted = gf_readEncryptedFile(path, kAirportFileMaxPlaintextBytes);
        if (!decrypted.ok) {
            return decrypted.error;
        }
        plaintext = std::move(decrypted.plaintext);
        parsed = document.load_buffer_inplace(plaintext.data(), plaintext.size());
    } else {
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::status(path, ec);
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
            return fmt::format("{} could not be opened: not a regular file", name);
        }
        parsed = gf_loadXmlFile(document, path);
        if (parsed.status == pugi::status_file_not_found ||
            parsed.status == pugi::status_io_error) {
            return fmt::format("{} could not be opened", name);
        }
    }
    if (!parsed) {
        return fmt::format("{} not loaded: {}", name, parsed.description());
    }
    return std::nullopt;
}

} // namespace skyloom
