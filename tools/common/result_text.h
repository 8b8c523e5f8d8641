// The results of the driver's commands in words, for people at a console.
#pragma once

#include <cstdint>
#include <string>

#include "host_abi/commands.h"

namespace zidtools {

// "result 2 (the port would not open)": the number the driver answered and
// what it means for that command.
std::string ResultText(zid::Command command, int32_t result);

}  // namespace zidtools
