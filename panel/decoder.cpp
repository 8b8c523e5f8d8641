// Panel message decoder. The ZID-12 prints its event words in Hebrew, code
// page 862, in visual order. The keyword table keeps them in Windows-1255
// (visual order too) and each keyword is converted before it is searched for.
// What each event then does is written once, in panel/events.h; where it
// stands in the line, in panel/line_layout.h.
#include "panel/decoder.h"

#include "panel/gates.h"
#include "panel/line_layout.h"

namespace zid {
namespace {

// The stored keywords, Windows-1255 bytes in visual order (first byte first).
constexpr char kFireLine[] = "\xE5\xF7\x20\x3A\xF9\xE0";
constexpr char kFireZone[] = "\xF8\xE5\xE6\xE0\xE1\x20\xF9\xE0";
constexpr char kFaultLine[] = "\xE5\xF7\x20\x3A\xE4\xEC\xF7\xFA";
constexpr char kFaultZone[] = "\xF8\xE5\xE6\xE0\xE1\x20\xE4\xEC\xF7\xFA";
constexpr char kFaultLineEnd[] = "\xE5\xF7\x20\x3A\xE4\xEC\xF7\xFA\x20\xED\xE5\xE9\xF1";
constexpr char kFaultZoneEnd[] = "\xF8\xE5\xE6\xE0\x20\xE4\xEC\xF7\xFA\x20\xED\xE5\xE9\xF1";
constexpr char kPowerFaultEnd[] = "\xE7\xFA\xEE\x20\xFA\xEC\xF7\xFA\x20\xED\xE5\xE9\xF1";
constexpr char kPowerFault[] = "\xE7\xFA\xEE\x20\xFA\xEC\xF7\xFA";
constexpr char kSounderSilenced[] = "\xF8\xF4\xE5\xF6\x20\xFA\xF7\xFA\xF9\xE4";
constexpr char kTestEnd[] = "\xE8\xF1\xE8\x20\xED\xE5\xE9\xF1";
constexpr char kTestStart[] = "\xE8\xF1\xE8";

// Room for the longest keyword (14 bytes) and its NUL.
constexpr int kKeywordRoom = 16;
static_assert(sizeof(kFaultZoneEnd) == 15, "the longest keyword has 14 bytes");
static_assert(sizeof(kFaultZoneEnd) <= kKeywordRoom && sizeof(kFaultLineEnd) <= kKeywordRoom &&
              sizeof(kPowerFaultEnd) <= kKeywordRoom && sizeof(kSounderSilenced) <= kKeywordRoom);

using namespace layout;

// Number of characters before the line's NUL, never more than a line holds.
int LineLength(const char* message) {
    int n = 0;
    while (n < kMaxLineLength && message[n] != '\0') ++n;
    return n;
}

// Copies the characters [start, start + length) of the line into window,
// stopping at the end of the line, and terminates it.
void TakeWindow(const char* message, int lineLength, int start, int length, char* window) {
    int n = 0;
    for (int i = start; i < start + length && i < lineLength; ++i) window[n++] = message[i];
    window[n] = '\0';
}

bool HasEndMarker(const char* message, int lineLength) {
    return lineLength >= kEndMarkerOffset + kEndMarkerLength && message[kEndMarkerOffset] == 'E' &&
           message[kEndMarkerOffset + 1] == 'N' && message[kEndMarkerOffset + 2] == 'D';
}

bool FindEvent(const char* window, PanelEvent* event) {
    char converted[kKeywordRoom];
    for (const EventKeyword& entry : EventKeywordTable) {
        ToPanelCodePage(entry.keyword, converted);
        if (ContainsText(window, converted)) {
            *event = entry.event;
            return true;
        }
    }
    return false;
}

uint16_t& WordOf(StatusWords& status, StatusWord word) {
    switch (word) {
        case StatusWord::T: return status.T;
        case StatusWord::F: return status.F;
        case StatusWord::R: return status.R;
        case StatusWord::S: return status.S;
    }
    return status.T;
}

// Where the gate digits start. Only events whose keywords hold a blank read
// from the first blank; such a keyword lies inside the keyword window, so
// the blank is at offset 53 or before.
int DigitsStart(const char* message, GateDigits digits) {
    switch (digits) {
        case GateDigits::kAfterFirstBlank: return FirstSpaceOffset(message) + kFirstBlankToDigits;
        case GateDigits::kLineFaultEnd: return kLineFaultEndDigits;
        case GateDigits::kZoneFaultEnd: return kZoneFaultEndDigits;
    }
    return kLineFaultEndDigits;
}

}  // namespace

const EventKeyword EventKeywordTable[kEventKeywordCount] = {
    {PanelEvent::FireLine, kFireLine},
    {PanelEvent::FireZone, kFireZone},
    {PanelEvent::FaultLine, kFaultLine},
    {PanelEvent::FaultZone, kFaultZone},
    {PanelEvent::FaultLineEnd, kFaultLineEnd},
    {PanelEvent::FaultZoneEnd, kFaultZoneEnd},
    {PanelEvent::PowerFaultEnd, kPowerFaultEnd},
    {PanelEvent::PowerFault, kPowerFault},
    {PanelEvent::SounderSilenced, kSounderSilenced},
    {PanelEvent::TestEnd, kTestEnd},
    {PanelEvent::TestStart, kTestStart},
};

void ToPanelCodePage(const char* source, char* destination) {
    for (;; ++source, ++destination) {
        const auto byte = static_cast<uint8_t>(*source);
        *destination = (byte >= 0xE0 && byte <= 0xFA) ? static_cast<char>(byte - 0x60) : *source;
        if (byte == 0) return;
    }
}

int ContainsText(const char* text, const char* pattern) {
    for (const char* start = text; *start != '\0'; ++start) {
        const char* t = start;
        const char* p = pattern;
        while (*p != '\0' && *t != '\0' && *t == *p) {
            ++t;
            ++p;
        }
        if (*p == '\0') return 1;
        if (*t == '\0') return 0;  // the rest of the text is shorter than the pattern
    }
    return 0;
}

int FirstSpaceOffset(const char* line) {
    for (int i = 0; line[i] != '\0'; ++i) {
        if (line[i] == ' ') return i;
    }
    return -1;
}

bool FindLineEvent(const char* line, PanelEvent* event) {
    const int length = LineLength(line);
    char window[kKeywordWindowLength + 1];
    TakeWindow(line, length, kResetWindowStart, kResetWindowLength, window);
    if (ContainsText(window, "RESET")) {
        *event = PanelEvent::Reset;
        return true;
    }
    TakeWindow(line, length, kKeywordWindowStart, kKeywordWindowLength, window);
    PanelEvent keyword;
    if (!FindEvent(window, &keyword)) return false;
    *event = LineEvent(keyword, HasEndMarker(line, length));
    return true;
}

void DecodePanelMessage(ChannelContext* context) {
    const char* const message = context->message;
    StatusWords& status = context->status;

    PanelEvent event;
    if (!FindLineEvent(message, &event)) return;  // not a panel event: dropped silently
    for (const ActionStep& step : ActionOf(event).steps) {
        switch (step.kind) {
            case StepKind::kNone:
                return;
            case StepKind::kWord:
                StoreStatus(WordOf(status, step.word), step.value);
                break;
            case StepKind::kGateBit:
                SetGateBit(context, step.bit, step.value != 0, DigitsStart(message, step.digits),
                           step.lineForm);
                break;
            case StepKind::kClearAllGates:
                ClearAllGates(context);
                break;
        }
    }
}

}  // namespace zid
