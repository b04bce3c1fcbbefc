#include "runtime/reader_state.h"

namespace skyloom {

std::string_view gf_readerStateText(ReaderState state) noexcept {
    switch (state) {
    case ReaderState::receiving:
        return "receiving";
    case ReaderState::waitingForData:
        return "waiting for data";
    case ReaderState::notRunning:
        return "not running";
    }
    return "unknown";
}

} // namespace skyloom
