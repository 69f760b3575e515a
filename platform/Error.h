#pragma once

// The one base of the program's own exceptions. Each carries a message for the user
// (Czech, UTF-8 in what()), so that the place that shows errors needs to catch this type
// only; any other std::exception is a fault of the library or the machine (out of memory
// and the like), shown with its own text as the last resort.

#include <stdexcept>
#include <string>

namespace nuvex {

class Error : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace nuvex
