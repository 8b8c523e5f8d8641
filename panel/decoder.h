// Panel message decoder: recognises "RESET" or a Hebrew event keyword at
// fixed places of the line in the MessageBuffer and acts on it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver/context.h"

namespace zid {

enum class PanelEvent : uint8_t {
    FireLine,
    FireZone,
    FaultLine,
    FaultZone,
    FaultLineEnd,
    FaultZoneEnd,
    PowerFaultEnd,
    PowerFault,
    SounderSilenced,
    TestEnd,
    TestStart,
    Reset,
};

struct EventKeyword {
    PanelEvent event;
    const char* keyword;  // Windows-1255 bytes, visual order, NUL-terminated
};

inline constexpr int kEventKeywordCount = 11;
extern const EventKeyword EventKeywordTable[kEventKeywordCount];

void DecodePanelMessage(ChannelContext* context);
void ToPanelCodePage(const char* source, char* destination);
int ContainsText(const char* text, const char* pattern);
int FirstSpaceOffset(const char* line);

}  // namespace zid
