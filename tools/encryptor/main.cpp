// skyloom_encryptor: encrypts a file into an encrypted data file (".enc") with the program's
// key, or decrypts one back.
//   skyloom_encryptor <in> <out.enc>
//   skyloom_encryptor --decrypt <in.enc> <out>
// Exit status: 0 done, 1 failed (the reason on stderr), 2 wrong arguments.
#include <cstddef>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include <fmt/format.h>

#include "foundation/encrypted_file.h"
#include "foundation/secure_buffer.h"
#include "foundation/text.h"

namespace {

using skyloom::SecureBuffer;

// Large enough for any data set the program reads; a bound still, so a wrong file cannot make
// the tool claim all memory.
constexpr std::size_t kDecryptLimitBytes = std::size_t{1} << 30;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int lf_fail(const std::string& reason) {
    fmt::print(stderr, "skyloom_encryptor: {}\n", reason);
    return kExitFailed;
}

int lf_usage() {
    fmt::print(stderr, "usage: skyloom_encryptor <in> <out.enc>\n"
                       "       skyloom_encryptor --decrypt <in.enc> <out>\n");
    return kExitUsage;
}

int lf_encrypt(const std::filesystem::path& in, const std::filesystem::path& out) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(in, ec);
    if (ec) {
        return lf_fail(fmt::format("cannot read {}: {}", skyloom::gf_pathToUtf8(in), ec.message()));
    }
    SecureBuffer plaintext(static_cast<std::size_t>(size));
    plaintext.resize(static_cast<std::size_t>(size));
    std::ifstream stream(in, std::ios::binary);
    stream.read(plaintext.chars(), static_cast<std::streamsize>(plaintext.size()));
    if (!stream || static_cast<std::uintmax_t>(stream.gcount()) != size) {
        return lf_fail(fmt::format("cannot read {}", skyloom::gf_pathToUtf8(in)));
    }
    const auto written = skyloom::gf_writeEncryptedFile(out, plaintext.bytes());
    if (!written.ok) {
        return lf_fail(written.error);
    }
    return 0;
}

int lf_decrypt(const std::filesystem::path& in, const std::filesystem::path& out) {
    const auto read = skyloom::gf_readEncryptedFile(in, kDecryptLimitBytes);
    if (!read.ok) {
        return lf_fail(read.error);
    }
    std::ofstream stream(out, std::ios::binary | std::ios::trunc);
    stream.write(read.plaintext.chars(), static_cast<std::streamsize>(read.plaintext.size()));
    stream.close();
    if (!stream) {
        std::error_code ignored;
        std::filesystem::remove(out, ignored);
        return lf_fail(fmt::format("cannot write {}", skyloom::gf_pathToUtf8(out)));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 3 && std::string_view(argv[1]) != "--decrypt") {
            return lf_encrypt(argv[1], argv[2]);
        }
        if (argc == 4 && std::string_view(argv[1]) == "--decrypt") {
            return lf_decrypt(argv[2], argv[3]);
        }
        return lf_usage();
    } catch (const std::exception& e) {
        return lf_fail(e.what());
    }
}
