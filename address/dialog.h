// The address-format dialog ("Tag Format", template 101 of the driver's own
// module), in which a user composes a six-digit gate address.
#pragma once

#include <cstdint>

#include "host_abi/commands.h"

namespace zid {

// Command 16: shows the dialog (once per load of the driver) and writes the
// composed address into AddressDialogArgs::outputBuffer. kDone, or
// kNoAddressComposed.
Result ComposeAddress(DriverRequest* request);

// The module whose resources hold the dialog's template: the driver's own,
// as the loader handed it to DllMain (whatever name or folder the host
// loaded the file from).
void SetDialogModule(void* module);

}  // namespace zid
