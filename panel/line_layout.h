// Where things stand in a panel line: the fixed places the decoder reads and
// the gate updates take their digits from, and which the panel simulator's
// line composer writes to. Offsets count from 0, the line's first character;
// a line holds at most kMaxLineLength (100) characters (host_abi/context.h).
// docs/panel-lines.md shows them on worked examples.
#pragma once

#include "host_abi/context.h"

namespace zid::layout {

// "END" at 2..4 marks the end of a line fault ("EVT" stands there otherwise).
inline constexpr int kEndMarkerOffset = 2;
inline constexpr int kEndMarkerLength = 3;

// 23..28: searched for "RESET".
inline constexpr int kResetWindowStart = 23;
inline constexpr int kResetWindowLength = 6;

// 29..53: searched for the event keywords, in the keyword table's order.
// Nothing the decoder reads lies past it.
inline constexpr int kKeywordWindowStart = 29;
inline constexpr int kKeywordWindowLength = 25;
inline constexpr int kKeywordWindowEnd = kKeywordWindowStart + kKeywordWindowLength;

// Where a gate's digits start: the line's first blank plus 23 for fires and
// fault starts, offset 29 for the end of a line fault, 33 for the end of a
// zone fault.
inline constexpr int kFirstBlankToDigits = 23;
inline constexpr int kLineFaultEndDigits = 29;
inline constexpr int kZoneFaultEndDigits = 33;

// A line event's address takes the line number from this far after its
// detector pair, when a digit stands there.
inline constexpr int kLinePairDistance = 8;

static_assert(kResetWindowStart + kResetWindowLength == kKeywordWindowStart);
static_assert(kKeywordWindowEnd <= kMaxLineLength);

}  // namespace zid::layout
