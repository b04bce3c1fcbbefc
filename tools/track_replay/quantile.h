#pragma once

#include <vector>

namespace skyloom::tools {

// The q-quantile (0 to 1) of the values by rank, without interpolation; 0 for none.
double gf_quantile(std::vector<double> values, double q);

} // namespace skyloom::tools
