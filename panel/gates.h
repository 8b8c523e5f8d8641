// Gate bit updates through the host library.
#pragma once

#include <cstdint>

#include "host_abi/context.h"

namespace zid {

// Sets (set true) or clears one bit of the gate whose address is composed
// from digit pairs of the line in context->message, from offset start on:
// the line form reads up to two pairs, the zone form one.
void SetGateBit(ChannelContext* context, uint8_t bit, bool set, int start, bool lineForm);

// Writes zero to every gate registered in context->addresses.
void ClearAllGates(ChannelContext* context);

}  // namespace zid
