// The world's trace file: one line per trace point of its AI objects,
// "seconds;id;source;latitude;longitude;altitude ft;heading deg;on ground". Lines are
// collected in memory and written in blocks, so that hundreds of objects written on every
// frame stay cheap; a world without a trace file formats nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "platform/simworld/object_state.h"

namespace skyloom::simworld {

class TraceFile {
public:
    // No file: every call does nothing.
    TraceFile() = default;
    // Creates or empties the file. Throws std::invalid_argument naming the file and the reason
    // when it cannot be written.
    explicit TraceFile(const std::string& path);

    bool isOpen() const noexcept { return file_ != nullptr; }
    void append(double seconds, std::uint32_t objectId, std::string_view source,
                const ObjectState& state);
    // Writes the collected lines. A file that refuses them is closed and its reason kept for
    // takeFailure(); later lines are dropped.
    void flush();
    // Why the file stopped taking lines, once; empty while it takes them.
    std::string takeFailure();

private:
    struct Closer {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    std::string path_;
    std::string pending_;
    std::string failure_;
};

} // namespace skyloom::simworld
