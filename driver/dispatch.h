// The driver's entry point and its command table.
#pragma once

#include <cstdint>

#include "host_abi/commands.h"

namespace zid {

// Every command's handler: the host's request in, its result out.
using Handler = Result (*)(DriverRequest* request);

// Calls the handler of request->command. Codes without a handler (0, 8, 9,
// negative and above 16) return kRefused and touch nothing.
Result Dispatch(DriverRequest* request);

}  // namespace zid

// The driver's one export. __cdecl, undecorated (see ZIZEZOZU.def).
extern "C" int32_t SulMain(DriverRequest* request);
