// The address dialog of a machine with no windows, for test programs that
// link the whole driver natively: the dialog is Win32 and has no portable
// half, so natively it is replaced here, at link time. No address is ever
// composed.
#include "address/dialog.h"

namespace zid {

Result ComposeAddress(DriverRequest*) { return kNoAddressComposed; }
void SetDialogModule(void*) {}

}  // namespace zid
