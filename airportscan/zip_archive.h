// `ZipArchive`: a new zip archive written with libzip, held by an object that closes (or, when
// it was never closed, discards) the archive when it goes out of scope. Entries are added from
// byte buffers that the archive keeps until it is written at close.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct zip;

namespace skyloom {

class ZipArchive {
public:
    // Creates the archive at `path`, replacing a file that is there; not open when that fails
    // (`openError()` then says why).
    explicit ZipArchive(const std::filesystem::path& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool isOpen() const noexcept { return archive_ != nullptr; }
    const std::string& openError() const noexcept { return openError_; }

    // Adds the bytes as a deflated entry named `name` (UTF-8); false when libzip refuses it.
    bool addData(const std::string& name, std::vector<std::uint8_t> bytes);

    // Writes the archive and closes it: 0 on success, otherwise libzip's error code. An archive
    // that is not open gives -1; a failed close discards what was written.
    int close();

private:
    zip* archive_ = nullptr;
    std::string openError_;
    // The entries' bytes, which libzip reads only when the archive is written.
    std::vector<std::unique_ptr<std::vector<std::uint8_t>>> buffers_;
};

} // namespace skyloom
