#include <array>

#include "driver/handlers.h"

namespace zid {
namespace {

// Indexed directly by the command code; codes 0, 8 and 9 have no handler.
constexpr std::array<Handler, 17> CommandTable = {
    nullptr,          //  0
    StartChannel,     //  1
    PurgeChannel,     //  2
    ValidateAddress,  //  3
    NoOperation,      //  4
    ReadPoint,        //  5
    NoOperation,      //  6
    NoOperation,      //  7
    nullptr,          //  8
    nullptr,          //  9
    NoOperation,      // 10
    ClosePort,        // 11
    ClosePort,        // 12
    ReopenPort,       // 13
    GetDriverInfo,    // 14
    ChangeSulParams,  // 15
    ComposeAddress,   // 16
};
static_assert(CommandTable[11] == CommandTable[12]);

}  // namespace

int32_t Dispatch(DriverRequest* request) {
    // The host never sends codes outside the table, but an unchecked index
    // would call through whatever lies past it: refuse them instead.
    const int32_t code = request->command;
    if (code < 0 || code >= static_cast<int32_t>(CommandTable.size()) ||
        CommandTable[static_cast<size_t>(code)] == nullptr) {
        return kNothingToDo;
    }
    return CommandTable[static_cast<size_t>(code)](request);
}

}  // namespace zid

// The driver's one export. __cdecl, undecorated (see ZIZEZOZU.def).
extern "C" int32_t SulMain(DriverRequest* request) { return zid::Dispatch(request); }
