// Loading an airport file into an XML document: plain XML, or an encrypted data file (".enc")
// decrypted into guarded memory and parsed in place there.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include <pugixml.hpp>

#include "foundation/secure_buffer.h"

namespace skyloom {

// The largest plaintext an encrypted airport file may have.
inline constexpr std::size_t kAirportFileMaxPlaintextBytes = 64u * 1024u * 1024u;

// Loads the file at `path` into `document`; no value when the document holds the file, else
// the reason: the decryption's error text, "{path} could not be opened" (with ": not a regular
// file" for a folder or device in the file's place) or "{path} not loaded: {parser's
// description}". An encrypted file's plaintext moves into `plaintext` (what it held before is
// wiped) and the document points into it: keep `plaintext` as long as the document is used.
std::optional<std::string> gf_loadAirportXml(const std::filesystem::path& path, bool encrypted,
                                             SecureBuffer& plaintext, pugi::xml_document& document);

} // namespace skyloom
