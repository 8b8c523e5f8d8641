// The commands an engineer types at zidhost while it runs, checked before
// anything reaches the driver.
#pragma once

#include <cstdint>
#include <string>

#include "host_abi/context.h"

namespace zidhost {

struct TypedCommand {
    enum Verb { kNone, kPurge, kClose, kReopen, kChange, kStatus, kQuit, kHelp } verb = kNone;
    int32_t channel = -1;   // the channel named, -1 when none was
    std::string port;       // kChange: as typed (COM10 and up get their device name)
    zid::LineBlock line{};  // kChange: baud 0 keeps the stored line
};

// Parses one typed line. An empty line gives kNone. False, with a message,
// for an unknown verb or a bad argument: nothing is to be sent then.
bool ParseTypedCommand(const std::string& text, TypedCommand& command, std::string& error);

// One line listing the commands.
const char* TypedCommandSummary();

}  // namespace zidhost
