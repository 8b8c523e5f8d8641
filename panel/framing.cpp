// Panel line framing: one NUL-terminated line, byte by byte, into the
// context's message buffer. CR and LF are dropped wherever they occur; a
// line holds 1 to 100 characters.
#include "panel/framing.h"

#include "host_abi/driver_log.h"
#include "host_abi/qelmar.h"

namespace zid {

bool ReadPanelLine(ChannelContext* context, ReadBytesFn readBytes) {
    char* const line = context->message;
    int stored = 0;
    int emptyReads = 0;
    for (;;) {
        uint8_t byte = 0;
        if (!readBytes(context, &byte, 1)) {
            ++emptyReads;
            if (stored == kMaxLineLength || emptyReads > kMaxEmptyReadsInLine) {
                err(kLogLevel, logline::kCharacterMissing);
                return false;
            }
            continue;  // a pause inside the line: keep it open
        }
        emptyReads = 0;
        if (byte == 0) {
            if (stored == 0) return false;
            line[stored] = '\0';
            err(kLogLevel, logline::kLineRead, line);
            return true;
        }
        if (byte == '\n' || byte == '\r') continue;
        // A 101st character rejects the line; the rest of it stays queued
        // and is read at the next poll as a line of its own. It is not
        // stored, so the buffer's last byte keeps its NUL.
        if (stored == kMaxLineLength) return false;
        line[stored++] = static_cast<char>(byte);
    }
}

}  // namespace zid
