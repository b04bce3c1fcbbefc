#include "tools/track_replay/quantile.h"

#include <algorithm>
#include <cstddef>

namespace skyloom::tools {

double gf_quantile(std::vector<double> values, double q) {
    if (values.empty()) {
        return 0.0;
    }
    const auto k = static_cast<std::size_t>(std::clamp(q, 0.0, 1.0) * (values.size() - 1));
    std::nth_element(values.begin(), values.begin() + k, values.end());
    return values[k];
}

} // namespace skyloom::tools
