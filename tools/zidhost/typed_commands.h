// The commands an engineer types at zidhost while it runs, checked before
// anything reaches the driver.
#pragma once

#include <cstdint>
#include <string>

#include "host_abi/context.h"
#include "tools/common/outcome.h"

namespace zidhost {

struct TypedCommand {
    enum Verb { kNone, kPurge, kClose, kReopen, kChange, kStatus, kQuit, kHelp, kRemark } verb = kNone;
    int32_t channel = -1;   // the channel named, -1 when none was
    std::string port;       // kChange: as typed (COM10 and up get their device name)
    zid::LineBlock line{};  // kChange: baud 0 keeps the stored line
    std::string address;    // kRemark: the device, upper-cased as the driver has it
    std::string text;       // kRemark: the rest of the line, as typed
};

// Parses one typed line; an empty line gives kNone. The failure, for an
// unknown verb or a bad argument, says why: nothing is to be sent then.
zidtools::Outcome<TypedCommand> ParseTypedCommand(const std::string& text);

// One line listing the commands.
const char* TypedCommandSummary();

// The commands with their arguments, for --help.
const char* TypedCommandHelp();

}  // namespace zidhost
