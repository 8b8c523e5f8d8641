// The channel's receiver thread: it waits for the host's tick, looks at the
// port's input queue and reads at most one panel line per tick, which it
// hands to the decoder.
#pragma once

#include <cstdint>

#include "host_abi/context.h"

namespace zid {

// The receiver thread's stack, in bytes.
inline constexpr uint32_t kReceiverStackSize = 32768;

// Starts UnsolicitedThread for the context. False when the thread could not
// be created.
bool StartReceiverThread(ChannelContext* context);

// The thread routine: runs until QelWaitMsg returns 0.
void UnsolicitedThread(ChannelContext* context);

// Reads count bytes from the port the context holds at this moment: the
// byte source of the receiver's line framing.
bool ReadPortByte(ChannelContext* context, uint8_t* buffer, uint32_t count);

}  // namespace zid
