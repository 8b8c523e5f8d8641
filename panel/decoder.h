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

// Carries out the event of the line in context->message, if it holds one.
void DecodePanelMessage(ChannelContext* context);

// The event a line announces, found as the decoder finds it: "RESET" in the
// reset window, else the first keyword of the table in the keyword window
// (and the "END" marker for a line fault). False for a line that announces
// none. Reads at most 100 characters; changes nothing.
bool FindLineEvent(const char* line, PanelEvent* event);
void ToPanelCodePage(const char* source, char* destination);
int ContainsText(const char* text, const char* pattern);
int FirstSpaceOffset(const char* line);

}  // namespace zid
