#pragma once

#include <cstdint>

#include "driver/requests.h"

extern "C" int32_t SulMain(DriverRequest* request);
