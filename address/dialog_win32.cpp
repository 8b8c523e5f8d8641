// Address-format dialog (command 16).
#include <windows.h>

#include "driver/handlers.h"

namespace zid {

// Not built yet: no address is composed until the dialog lands.
int32_t ComposeAddress(DriverRequest*) { return kNoAddressComposed; }

}  // namespace zid
