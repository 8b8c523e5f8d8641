// Gate bit updates through the host library.
#pragma once

#include <cstdint>

#include "driver/context.h"

namespace zid {

// Sets (set true) or clears one bit of the gate whose address is composed
// from digit pairs of the MessageBuffer at start (line or zone form).
void SetGateBit(ChannelContext* context, uint8_t bit, bool set, int start, bool lineForm);

// Writes zero to every gate in the AddressTable.
void ClearAllGates(ChannelContext* context);

}  // namespace zid
