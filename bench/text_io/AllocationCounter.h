#pragma once

#include <cstddef>

namespace benchtextio {

// Number of global operator new calls (all forms) since the program started.
std::size_t allocationCount();

}  // namespace benchtextio
