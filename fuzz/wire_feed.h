// The wire of the fuzz target: a byte array that the port delivers one read
// at a time; once it is used up, every read comes back empty. On Windows the
// framing reads it through the real ReadPortByte and ComRead, over a serial
// call table whose ReadFile reads from the wire; natively, where there is no
// serial layer, straight from the wire.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_abi/context.h"
#include "panel/framing.h"

namespace zid::fuzz {

// Makes the context's port the wire (once).
void InstallWireFeed(ChannelContext* context);
// Starts delivering these bytes from the first.
void FeedWire(const uint8_t* data, size_t size);
// Bytes delivered so far.
size_t WirePosition();
// The byte source the framing reads the wire through.
ReadBytesFn WireSource();

}  // namespace zid::fuzz
