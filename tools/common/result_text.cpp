#include "tools/common/result_text.h"

namespace zidtools {
namespace {

using zid::Command;

const char* Meaning(Command command, int32_t result) {
    switch (result) {
        case zid::kDone:
            switch (command) {
                case Command::kStartChannel: return "started";
                case Command::kPurgeChannel: return "pending input discarded";
                case Command::kValidateAddress: return "accepted";
                case Command::kReadPoint: return "read";
                case Command::kClosePort:
                case Command::kClosePortAlias: return "closed, or no port was open";
                case Command::kReopenPort: return "open again";
                case Command::kChangeSulParams: return "changed, port open";
                case Command::kComposeAddress: return "address composed";
                default: return "done";
            }
        case zid::kRefused:
            switch (command) {
                case Command::kStartChannel: return "refused: the host client could not be made";
                case Command::kValidateAddress: return "refused: not a valid address, or table full";
                case Command::kReadPoint: return "refused: not a point type of this driver";
                default: return "refused: nothing to do for this command";
            }
        case zid::kPortFailure:
            switch (command) {
                case Command::kStartChannel:
                    return "failed: the port would not open, or the receiver thread did not start";
                case Command::kClosePort:
                case Command::kClosePortAlias: return "failed: the port did not close";
                case Command::kReopenPort: return "failed: the port would not open";
                case Command::kChangeSulParams: return "failed: the new port would not open";
                default: return "failed: port or thread";
            }
        case zid::kNoAddressComposed: return "no address composed";
        default: return "not a result this driver gives";
    }
}

}  // namespace

std::string ResultText(Command command, int32_t result) {
    return "result " + std::to_string(result) + " (" + Meaning(command, result) + ")";
}

}  // namespace zidtools
