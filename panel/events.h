// The panel's events and what each one does to the channel: which gate bit
// it sets or clears and which status words it writes, step by step. The
// decoder carries these steps out; the tools' model of the panel applies the
// same ones to predict what the driver will show.
#pragma once

#include <cstdint>

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
inline constexpr int kPanelEventCount = 12;

// The four status words of StatusWords.
enum class StatusWord : uint8_t { T, F, R, S };

// Gate bits: bit 0 marks a fire, bit 1 a fault.
inline constexpr uint8_t kFireBit = 0;
inline constexpr uint8_t kFaultBit = 1;

// Where in the line the digits of the gate's address start.
enum class GateDigits : uint8_t {
    kAfterFirstBlank,  // the line's first blank plus 23: fires and fault starts
    kLineFaultEnd,     // offset 29
    kZoneFaultEnd,     // offset 33
};

enum class StepKind : uint8_t {
    kNone,           // past the last step
    kWord,           // word = value
    kGateBit,        // set (value 1) or clear (value 0) bit of the line's gate
    kClearAllGates,  // zero to every registered gate
};

struct ActionStep {
    StepKind kind = StepKind::kNone;
    StatusWord word = StatusWord::T;          // kWord
    uint8_t value = 0;                        // kWord: 0 or 1; kGateBit: 1 set, 0 clear
    uint8_t bit = 0;                          // kGateBit
    GateDigits digits = GateDigits::kAfterFirstBlank;  // kGateBit
    bool lineForm = false;                    // kGateBit: line form (two pairs) or zone form
};

inline constexpr int kMaxActionSteps = 5;

// An event's steps, carried out in this order.
struct EventAction {
    ActionStep steps[kMaxActionSteps];
};

namespace action {
constexpr ActionStep Word(StatusWord word, uint8_t value) {
    return {StepKind::kWord, word, value};
}
constexpr ActionStep SetBit(uint8_t bit, bool lineForm) {
    return {StepKind::kGateBit, StatusWord::T, 1, bit, GateDigits::kAfterFirstBlank, lineForm};
}
constexpr ActionStep ClearBit(uint8_t bit, GateDigits digits, bool lineForm) {
    return {StepKind::kGateBit, StatusWord::T, 0, bit, digits, lineForm};
}
constexpr ActionStep ClearAllGates() { return {StepKind::kClearAllGates}; }
inline constexpr bool kLineForm = true;
inline constexpr bool kZoneForm = false;
}  // namespace action

// Indexed by PanelEvent.
inline constexpr EventAction kEventActions[kPanelEventCount] = {
    /* FireLine */ {{action::SetBit(kFireBit, action::kLineForm), action::Word(StatusWord::R, 0),
                     action::Word(StatusWord::S, 0)}},
    /* FireZone */ {{action::SetBit(kFireBit, action::kZoneForm), action::Word(StatusWord::R, 0),
                     action::Word(StatusWord::S, 0)}},
    /* FaultLine */ {{action::SetBit(kFaultBit, action::kLineForm), action::Word(StatusWord::F, 1),
                      action::Word(StatusWord::R, 0), action::Word(StatusWord::S, 0)}},
    /* FaultZone */ {{action::SetBit(kFaultBit, action::kZoneForm), action::Word(StatusWord::R, 0),
                      action::Word(StatusWord::F, 1), action::Word(StatusWord::S, 0)}},
    /* FaultLineEnd */ {{action::Word(StatusWord::F, 0), action::Word(StatusWord::S, 1),
                         action::ClearBit(kFaultBit, GateDigits::kLineFaultEnd, action::kLineForm)}},
    /* FaultZoneEnd */ {{action::Word(StatusWord::F, 0), action::Word(StatusWord::S, 1),
                         action::ClearBit(kFaultBit, GateDigits::kZoneFaultEnd, action::kZoneForm)}},
    /* PowerFaultEnd */ {{action::Word(StatusWord::F, 0), action::Word(StatusWord::S, 1)}},
    /* PowerFault */ {{action::Word(StatusWord::F, 1), action::Word(StatusWord::R, 0),
                       action::Word(StatusWord::S, 0)}},
    /* SounderSilenced */ {{action::Word(StatusWord::S, 1)}},
    /* TestEnd */ {{action::Word(StatusWord::T, 0)}},
    /* TestStart */ {{action::Word(StatusWord::T, 1)}},
    /* Reset */ {{action::ClearAllGates(), action::Word(StatusWord::R, 1),
                  action::Word(StatusWord::S, 1), action::Word(StatusWord::F, 0),
                  action::Word(StatusWord::T, 0)}},
};

// The event a line announces, from the event of the first keyword found in
// it and whether "END" stands at offsets 2 to 4. The end of a line fault has
// a keyword of its own, but it begins with the line fault's, which is always
// found first: such a line is a line fault, and with "END" it is the end of
// one.
constexpr PanelEvent LineEvent(PanelEvent keyword, bool endMarker) {
    if (keyword == PanelEvent::FaultLineEnd) keyword = PanelEvent::FaultLine;
    if (keyword == PanelEvent::FaultLine && endMarker) return PanelEvent::FaultLineEnd;
    return keyword;
}

constexpr const EventAction& ActionOf(PanelEvent event) {
    return kEventActions[static_cast<int>(event)];
}

}  // namespace zid
