// The channel port commands: start a channel, purge, close, re-open and
// change its serial port. They run on the host's calling thread; the port
// field they write is shared with the channel's receiver thread.
#pragma once

#include <cstdint>

#include "host_abi/commands.h"
#include "host_abi/context.h"

namespace zid {

Result StartChannel(DriverRequest* request);     // command 1, PortParams
Result PurgeChannel(DriverRequest* request);     // command 2
Result ClosePort(DriverRequest* request);        // commands 11 and 12
Result ReopenPort(DriverRequest* request);       // command 13
Result ChangeSulParams(DriverRequest* request);  // command 15, PortChangeArgs

// Opens a port from stored settings; 0 when it did not open. Logs nothing.
PortHandle OpenPortFromSettings(const PortSettings* settings);

}  // namespace zid
