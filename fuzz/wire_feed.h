// The wire of the fuzz target: a byte array that the port delivers one read
// at a time; once it is used up, every read comes back empty. Natively
// ReadPortByte itself is replaced at link time; on Windows the real
// ReadPortByte and ComRead run over a serial call table whose ReadFile reads
// from the wire.
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver/context.h"

namespace zid::fuzz {

// Makes the context's port the wire (once).
void InstallWireFeed(ChannelContext* context);
// Starts delivering these bytes from the first.
void FeedWire(const uint8_t* data, size_t size);
// Bytes delivered so far.
size_t WirePosition();

}  // namespace zid::fuzz
