#include "driver/dispatch.h"

#include <array>

#include "address/address.h"
#include "address/dialog.h"
#include "driver/channel.h"
#include "driver/driver_info.h"

namespace zid {
namespace {

constexpr size_t Index(Command command) { return static_cast<size_t>(CodeOf(command)); }

// Indexed directly by the command code; codes 0, 8 and 9 have no handler.
constexpr std::array<Handler, kHighestCommand + 1> BuildCommandTable() {
    std::array<Handler, kHighestCommand + 1> table{};
    table[Index(Command::kStartChannel)] = StartChannel;
    table[Index(Command::kPurgeChannel)] = PurgeChannel;
    table[Index(Command::kValidateAddress)] = ValidateAddress;
    table[Index(Command::kNoOperation4)] = NoOperation;
    table[Index(Command::kReadPoint)] = ReadPoint;
    table[Index(Command::kNoOperation6)] = NoOperation;
    table[Index(Command::kNoOperation7)] = NoOperation;
    table[Index(Command::kNoOperation10)] = NoOperation;
    table[Index(Command::kClosePort)] = ClosePort;
    table[Index(Command::kClosePortAlias)] = ClosePort;
    table[Index(Command::kReopenPort)] = ReopenPort;
    table[Index(Command::kGetDriverInfo)] = GetDriverInfo;
    table[Index(Command::kChangeSulParams)] = ChangeSulParams;
    table[Index(Command::kComposeAddress)] = ComposeAddress;
    return table;
}

constexpr std::array<Handler, kHighestCommand + 1> CommandTable = BuildCommandTable();
static_assert(CommandTable[0] == nullptr && CommandTable[8] == nullptr && CommandTable[9] == nullptr);
static_assert(CommandTable[Index(Command::kClosePort)] == CommandTable[Index(Command::kClosePortAlias)]);

}  // namespace

Result Dispatch(DriverRequest* request) {
    // The host never sends codes outside the table, but an unchecked index
    // would call through whatever lies past it: refuse them instead.
    const int32_t code = request->command;
    if (code < 0 || code >= static_cast<int32_t>(CommandTable.size()) ||
        CommandTable[static_cast<size_t>(code)] == nullptr) {
        return kRefused;
    }
    return CommandTable[static_cast<size_t>(code)](request);
}

}  // namespace zid

extern "C" int32_t SulMain(DriverRequest* request) { return zid::Dispatch(request); }
