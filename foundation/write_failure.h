// The exception for a file the run cannot go on without that could not be written (a full
// disk, a folder that refuses it). The run that ends on it ends the program with a non-zero
// exit code and says why on standard error, since the log may be just as unwritable.
#pragma once

#include <stdexcept>

namespace skyloom {

class WriteFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace skyloom
