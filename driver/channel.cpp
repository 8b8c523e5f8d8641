// Channel port commands: start, purge, close, re-open, change parameters.
#include "driver/handlers.h"

namespace zid {

// Not built yet: these answer "nothing to do" until the channel commands land.
int32_t StartChannel(DriverRequest*) { return kNothingToDo; }
int32_t PurgeChannel(DriverRequest*) { return kNothingToDo; }
int32_t ClosePort(DriverRequest*) { return kNothingToDo; }
int32_t ReopenPort(DriverRequest*) { return kNothingToDo; }
int32_t ChangeSulParams(DriverRequest*) { return kNothingToDo; }

}  // namespace zid
