// The command handlers SulMain dispatches to. Each takes the host's request
// and returns the command's result code unchanged to the host.
#pragma once

#include <cstdint>

#include "driver/requests.h"

namespace zid {

// Result codes of the commands.
enum Result : int32_t {
    kDone = 0,
    kNothingToDo = 1,       // also: invalid address, host client not made
    kPortFailure = 2,       // port open/close failed, or thread did not start
    kNoAddressComposed = 53,
};

using Handler = int32_t (*)(DriverRequest* request);

// driver/
int32_t GetDriverInfo(DriverRequest* request);     // 14
int32_t NoOperation(DriverRequest* request);       // 4, 6, 7, 10
// driver/channel.cpp
int32_t StartChannel(DriverRequest* request);      // 1
int32_t PurgeChannel(DriverRequest* request);      // 2
int32_t ClosePort(DriverRequest* request);         // 11, 12
int32_t ReopenPort(DriverRequest* request);        // 13
int32_t ChangeSulParams(DriverRequest* request);   // 15
// Opens a port from stored settings; 0 when it did not open. Logs nothing.
PortHandle OpenPortFromSettings(const PortSettings* settings);
// address/
int32_t ValidateAddress(DriverRequest* request);   // 3
int32_t ReadPoint(DriverRequest* request);         // 5
int32_t ComposeAddress(DriverRequest* request);    // 16 (Win32 dialog)

// Dispatch by command code. Codes without a handler (0, 8, 9, negative and
// above 16) return kNothingToDo and touch nothing.
int32_t Dispatch(DriverRequest* request);

}  // namespace zid
