// What the service's POSIX main asks of the system.
#pragma once

#include <cstddef>
#include <string>

namespace service {

// The folder holding the running program ("" when the system does not say).
std::string runningProgramDirectory();

// Raises the soft limit on open files as far as the hard limit allows, towards `wanted`;
// the limit in force afterwards.
std::size_t raiseOpenFileLimit(std::size_t wanted);

}  // namespace service
