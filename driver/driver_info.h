// What the driver tells the host about itself (command 14), and the commands
// that do nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_abi/commands.h"

namespace zid {

inline constexpr const char* kDriverName = "ZID-12 Fire Detection";
inline constexpr int32_t kDriverCode = 82;
inline constexpr int32_t kDefaultTimeout = 4;  // tens of milliseconds
inline constexpr uint32_t kLastDefaultParameter = 0x00150020;

// The installation banner: 379 bytes of code page 437 and its NUL.
inline constexpr size_t kBannerLength = 379;
extern const char* const kInstallBanner;

// Command 14: fills the DriverInfo of request->argument. Always kDone.
Result GetDriverInfo(DriverRequest* request);

// Commands 4, 6, 7 and 10: kRefused, and nothing else.
Result NoOperation(DriverRequest* request);

}  // namespace zid
