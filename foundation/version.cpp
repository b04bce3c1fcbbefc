#include "foundation/version.h"

#include "foundation/text.h"

namespace skyloom {

ProgramVersion gf_programVersion() {
    return {SKYLOOM_VERSION_MAJOR, SKYLOOM_VERSION_MINOR, SKYLOOM_VERSION_PATCH};
}

std::string gf_programVersionText() {
    const auto v = gf_programVersion();
    return gf_versionText(v.major, v.minor, v.patch);
}

} // namespace skyloom
