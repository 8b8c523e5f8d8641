// Panel line framing: one NUL-terminated panel line, byte by byte, into the
// context's message buffer.
#pragma once

#include <cstdint>

#include "host_abi/context.h"

namespace zid {

// Where a line's bytes come from: reads count bytes for the context into
// buffer; false when they did not all come within the port's read timeout
// (or the read failed). The receiver passes ReadPortByte, which reads the
// port the context holds at that moment; tests and the fuzzer pass a wire of
// their own.
using ReadBytesFn = bool (*)(ChannelContext* context, uint8_t* buffer, uint32_t count);

// How many reads in a row may come back empty while a line is open (fewer
// than 100 characters stored) before ReadPanelLine gives the line up. Each
// empty read lasts one read timeout of the port (40 ms with the default
// channel timeout, 1000 ms after a plain re-open), so a line survives a
// pause of five timeouts (200 ms by default); on a port whose reads fail at
// once (closed by the host) the line ends after six immediate failures.
inline constexpr int kMaxEmptyReadsInLine = 5;

// Reads one line into context->message, one byte per read. CR and LF are
// dropped wherever they occur. True when a complete line of 1 to 100
// characters is there (and logged); false for an empty line, a line of more
// than 100 characters (the rest of it stays queued and is read as a line of
// its own) or a line given up after a pause.
bool ReadPanelLine(ChannelContext* context, ReadBytesFn readBytes);

}  // namespace zid
