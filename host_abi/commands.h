// The numbers the host and the driver exchange: command codes, point types
// and the result codes of the commands. Their values are fixed by the host.
#pragma once

#include <cstdint>

#include "host_abi/requests.h"

namespace zid {

// DriverRequest::command. Codes 0, 8 and 9 have no command.
enum class Command : int32_t {
    kStartChannel = 1,      // PortParams
    kPurgeChannel = 2,
    kValidateAddress = 3,   // TagAddressArgs
    kNoOperation4 = 4,
    kReadPoint = 5,         // PointReadArgs
    kNoOperation6 = 6,
    kNoOperation7 = 7,
    kNoOperation10 = 10,
    kClosePort = 11,
    kClosePortAlias = 12,   // the same command as 11
    kReopenPort = 13,
    kGetDriverInfo = 14,    // DriverInfo
    kChangeSulParams = 15,  // PortChangeArgs
    kComposeAddress = 16,   // AddressDialogArgs
};
inline constexpr int32_t kHighestCommand = 16;

constexpr int32_t CodeOf(Command command) { return static_cast<int32_t>(command); }

// TagAddressArgs::pointType as command 3 sets it, PointReadArgs::pointType as
// command 5 reads it: a gate, or the status word of that letter (C: the
// port's, the others the panel's).
enum class PointType : uint32_t {
    kGate = 0,
    kStatusC = 'C',  // 67
    kStatusF = 'F',  // 70
    kStatusR = 'R',  // 82
    kStatusS = 'S',  // 83
    kStatusT = 'T',  // 84
};

// What a command answers the host; SulMain returns it unchanged.
enum Result : int32_t {
    kDone = 0,
    // The command did not do its work: a code with nothing to do, a tag
    // address refused, or no host client made.
    kRefused = 1,
    // The serial port would not open or close, or the receiver thread did
    // not start.
    kPortFailure = 2,
    // The address dialog composed nothing: cancelled, not shown, or already
    // used since the driver was loaded.
    kNoAddressComposed = 53,
};

}  // namespace zid
