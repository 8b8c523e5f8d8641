// A serial line's settings as people write them, one parser for the command
// line, the site file, the typed change command and zidpanel:
//   baud       1 to 65535 (the driver keeps it in 16 bits)
//   data-bits  5 to 8 (what serial ports take; Wine refuses 4 as Windows
//              drivers do)
//   stop-bits  1, 1.5 or 2
//   parity     none, odd, even, mark or space
//   timeout    0 to 100000, the driver's read timeout in tens of ms
#pragma once

#include <string>
#include <string_view>

#include "host_abi/context.h"
#include "tools/common/outcome.h"

namespace zidtools {

// Settings given for a channel; a negative value was not given and leaves
// the driver's default. stopBits and parity hold the Win32 codes (stop bits
// 0 one, 1 one and a half, 2 two; parity 0 none to 4 space).
struct LineSettings {
    long baud = -1, dataBits = -1, stopBits = -1, parity = -1, timeout = -1;
};

bool IsLineSettingName(std::string_view name);

// Sets one setting by its name. The failure says what the value may be
// ("a number from 1 to 65535"); the caller names the setting and the value
// as the person wrote them.
Status ApplyLineSetting(std::string_view name, const std::string& value, LineSettings& line);

// The line block of the settings given, the rest from defaults.
zid::LineBlock LineBlockOf(const LineSettings& settings, const zid::LineBlock& defaults);

// "9600 8N1", "4800 7E1.5".
std::string LineText(const zid::LineBlock& line);

}  // namespace zidtools
