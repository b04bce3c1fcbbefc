#include "airportscan/zip_archive.h"

#include <zip.h>

#include "foundation/text.h"

namespace skyloom {

ZipArchive::ZipArchive(const std::filesystem::path& path) {
    int error = 0;
    archive_ = zip_open(gf_pathToUtf8(path).c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive_ == nullptr) {
        zip_error_t detail;
        zip_error_init_with_code(&detail, error);
        openError_ = zip_error_strerror(&detail);
        zip_error_fini(&detail);
    }
}

ZipArchive::~ZipArchive() {
    if (archive_ != nullptr) {
        zip_discard(archive_);
    }
}

bool ZipArchive::addData(const std::string& name, std::vector<std::uint8_t> bytes) {
    if (archive_ == nullptr) {
        return false;
    }
    auto& kept =
        buffers_.emplace_back(std::make_unique<std::vector<std::uint8_t>>(std::move(bytes)));
    zip_source_t* source = zip_source_buffer(archive_, kept->data(), kept->size(), 0);
    if (source == nullptr) {
        return false;
    }
    const zip_int64_t index =
        zip_file_add(archive_, name.c_str(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        return false;
    }
    zip_set_file_compression(archive_, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0);
    return true;
}

int ZipArchive::close() {
    if (archive_ == nullptr) {
        return -1;
    }
    if (zip_close(archive_) != 0) {
        const int code = zip_error_code_zip(zip_get_error(archive_));
        zip_discard(archive_);
        archive_ = nullptr;
        return code != 0 ? code : -1;
    }
    archive_ = nullptr;
    buffers_.clear();
    return 0;
}

} // namespace skyloom
