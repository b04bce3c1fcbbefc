#include "tests/support/test_files.h"

#include <fstream>
#include <span>
#include <sstream>
#include <stdexcept>

#include "foundation/encrypted_file.h"

namespace skyloom::testing {

void writeText(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

void writeEncrypted(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const auto written = gf_writeEncryptedFile(path, std::span(bytes, text.size()));
    if (!written.ok) {
        throw std::runtime_error(written.error);
    }
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace skyloom::testing
