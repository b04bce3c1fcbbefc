// Helpers for the configuration tests: environment overrides that move the working folder
// and the AppData roots into a test's temporary folder, a parameter host that records what
// it was asked to do, and small file helpers.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "config/parameter.h"

namespace skyloom::testing {

// Sets (or, given no value, removes) an environment variable for one test and restores it
// afterwards.
class EnvOverride {
public:
    EnvOverride(const char* name, const std::optional<std::filesystem::path>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvOverride() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Records the names of the parameters it was asked to save and to publish.
class RecordingHost : public ParameterHost {
public:
    void saveParameter(const Parameter& parameter) override { saved.push_back(parameter.name()); }
    void publishParameter(const Parameter& parameter) override {
        published.push_back(parameter.name());
    }

    std::vector<std::string> saved;
    std::vector<std::string> published;
};

inline void writeTextFile(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

inline std::string readTextFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

} // namespace skyloom::testing
