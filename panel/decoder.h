// Panel message decoder: recognises "RESET" or a Hebrew event keyword at
// fixed places of the line in the context's message buffer and carries out
// the event's action (panel/events.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_abi/context.h"
#include "panel/events.h"

namespace zid {

struct EventKeyword {
    PanelEvent event;
    const char* keyword;  // Windows-1255 bytes, visual order, NUL-terminated
};

inline constexpr int kEventKeywordCount = 11;
extern const EventKeyword EventKeywordTable[kEventKeywordCount];

void DecodePanelMessage(ChannelContext* context);

// The event a NUL-terminated line announces, as DecodePanelMessage finds it
// (only the first 100 characters count). False for a line with no event.
// Nothing is changed; the tools use it to name the event of a line read.
bool RecogniseEvent(const char* message, PanelEvent* event);
void ToPanelCodePage(const char* source, char* destination);
int ContainsText(const char* text, const char* pattern);
int FirstSpaceOffset(const char* line);

}  // namespace zid
