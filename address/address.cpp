// Tag address validation and point reads.
#include "address/address.h"

#include "driver/handlers.h"

namespace zid {

// Not built yet: these answer "nothing to do" until tag addressing lands.
int32_t ValidateAddress(DriverRequest*) { return kNothingToDo; }
int32_t ReadPoint(DriverRequest*) { return kNothingToDo; }

}  // namespace zid
