// Composes ZID-12 panel lines. Layout (docs/panel-lines.md has the worked
// examples; the places the driver reads are panel/line_layout.h's), offsets
// from 0:
//
//   0..1    ">>"        start of a record
//   2..4    "EVT" or "END" (end marker)
//   5       ":"
//   6       blank       the line's first blank: gate digits start 23 further on
//   7..14   HH:MM:SS
//   15      blank
//   16..21  "ZID-12"
//   22      blank
//   23..28  "RESET" and a blank for the reset, else six blanks
//   29..53  the event text, code page 862, visual order, left aligned:
//             line events:  DD, blank, "detector", blank, LL, blank, keyword
//                           (or LL, blank, keyword when the detector is 0)
//             zone events:  ZZ, blank, keyword
//             zone fault end: four blanks, ZZ, blank, keyword
//             other events: the keyword alone
//
// The line ends right after its last text; nothing follows offset 53.
#include "tools/common/line_composer.h"

#include "panel/line_layout.h"

namespace zid {
namespace {

// The record's start, before the end marker; the line's first blank follows
// the marker and its colon, and a fire's or a fault start's gate digits are
// counted from it.
constexpr char kRecordStart[] = ">>";
static_assert(sizeof kRecordStart - 1 == layout::kEndMarkerOffset);
constexpr int kFirstBlank = layout::kEndMarkerOffset + layout::kEndMarkerLength + 1;

// The event text fills the keyword window, the numbers of a fire or a fault
// start at the first blank's distance.
constexpr int kEventTextStart = layout::kKeywordWindowStart;
static_assert(kFirstBlank + layout::kFirstBlankToDigits == kEventTextStart);
constexpr int kZoneFaultEndIndent = layout::kZoneFaultEndDigits - kEventTextStart;
constexpr int kLongestLine = layout::kKeywordWindowEnd;

// "detector" (gimel, lamed, alef, yod) in code page 862, visual order.
constexpr char kDetectorWord[] = "\x89\x80\x8C\x82";

enum class Numbers { None, LineAndDetector, Zone, IndentedZone };

Numbers NumbersOf(PanelEvent event) {
    switch (event) {
        case PanelEvent::FireLine:
        case PanelEvent::FaultLine:
        case PanelEvent::FaultLineEnd:
            return Numbers::LineAndDetector;
        case PanelEvent::FireZone:
        case PanelEvent::FaultZone:
            return Numbers::Zone;
        case PanelEvent::FaultZoneEnd:
            return Numbers::IndentedZone;
        default:
            return Numbers::None;
    }
}

const char* StoredKeyword(PanelEvent event) {
    for (const EventKeyword& entry : EventKeywordTable) {
        if (entry.event == event) return entry.keyword;
    }
    return nullptr;
}

bool TwoDigits(int value) { return value >= 0 && value <= 99; }

struct Writer {
    char* out;
    int n = 0;
    void Put(char c) { out[n++] = c; }
    void Put(const char* text) {
        while (*text != '\0') Put(*text++);
    }
    void Number(int value) {
        Put(static_cast<char>('0' + value / 10));
        Put(static_cast<char>('0' + value % 10));
    }
    void PadTo(int offset) {
        while (n < offset) Put(' ');
    }
};

}  // namespace

size_t ComposePanelLine(const PanelLineFields& fields, char* out, size_t size) {
    if (out == nullptr || size == 0) return 0;
    out[0] = '\0';
    if (!TwoDigits(fields.line) || !TwoDigits(fields.detector) || !TwoDigits(fields.zone) ||
        !TwoDigits(fields.hour) || !TwoDigits(fields.minute) || !TwoDigits(fields.second)) {
        return 0;
    }
    const bool reset = fields.event == PanelEvent::Reset;
    const char* stored = reset ? nullptr : StoredKeyword(fields.event);
    if (!reset && stored == nullptr) return 0;  // not an event of the panel
    // Composed in a local buffer first: out may be smaller than a line.
    char line[kLongestLine + 1];
    Writer w{line};

    w.Put(kRecordStart);
    w.Put(fields.endMarker ? "END" : "EVT");
    w.Put(": ");
    w.Number(fields.hour);
    w.Put(':');
    w.Number(fields.minute);
    w.Put(':');
    w.Number(fields.second);
    w.Put(" ZID-12 ");
    if (reset) {
        w.Put("RESET");
    } else {
        w.PadTo(kEventTextStart);
        switch (NumbersOf(fields.event)) {
            case Numbers::LineAndDetector:
                if (fields.detector != 0) {
                    w.Number(fields.detector);
                    w.Put(' ');
                    w.Put(kDetectorWord);
                    w.Put(' ');
                }
                w.Number(fields.line);
                w.Put(' ');
                break;
            case Numbers::IndentedZone:
                w.PadTo(kEventTextStart + kZoneFaultEndIndent);
                [[fallthrough]];
            case Numbers::Zone:
                w.Number(fields.zone);
                w.Put(' ');
                break;
            case Numbers::None:
                break;
        }
        char keyword[16];
        ToPanelCodePage(stored, keyword);
        w.Put(keyword);
    }
    line[w.n] = '\0';

    const auto length = static_cast<size_t>(w.n);
    if (size < length + 1) {
        return 0;
    }
    for (size_t i = 0; i <= length; ++i) out[i] = line[i];
    return length;
}

}  // namespace zid
