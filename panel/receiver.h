// The channel's receiver thread and its line framing.
#pragma once

#include <cstdint>

#include "driver/context.h"

namespace zid {

// Starts UnsolicitedThread for the context (32768-byte stack). False when
// the thread could not be created.
bool StartReceiverThread(ChannelContext* context);

// The thread routine: runs until QelWaitMsg returns 0.
void UnsolicitedThread(ChannelContext* context);

// Reads one NUL-terminated panel line into the context's MessageBuffer.
// True when a complete line of 1..100 characters is there.
bool ReadPanelLine(ChannelContext* context);

// Reads count bytes from the port the context holds at this moment.
bool ReadPortByte(ChannelContext* context, uint8_t* buffer, uint32_t count);

}  // namespace zid
