// Tag address syntax, validation and point reads.
//
// Address forms (after upper-casing):
//   "!" and one character   a status address; R, S, F and T name the
//                           channel's panel status word of that letter, C
//                           its port's (1 while the port does not answer)
//   six digits LLDDZZ       a gate: line 00..12, detector 00..40, zone 00..12
// Every other text is refused.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_abi/commands.h"
#include "host_abi/context.h"

namespace zid {

// Command 3: checks the tag address of request->argument (TagAddressArgs),
// upper-cases the caller's text, and appends a gate address to the channel's
// address table. kDone, or kRefused for an address it does not accept.
Result ValidateAddress(DriverRequest* request);

// Command 5: the 16-bit value of a gate (read from the host) or of a status
// word, into PointReadArgs::valueOut. kDone, or kRefused for an unknown
// point type.
Result ReadPoint(DriverRequest* request);

// Room for one address: 31 characters and the terminator.
inline constexpr size_t kAddressWorkSize = kAddressSize;

// Upper-limits of the three two-digit fields of a gate address.
inline constexpr int kLineLimit = 12;
inline constexpr int kDetectorLimit = 40;
inline constexpr int kZoneLimit = 12;

// Copies text into work, lowering every byte 0x61..0x7F by 0x20 ('a'..'z'
// become 'A'..'Z'; '{', '|', '}', '~', 0x7F become '[', '\', ']', '^', '_');
// all other bytes are copied unchanged. Returns the text's length.
//
// A text of more than 31 characters does not fit: work then receives its
// first 31 upper-cased characters and a terminator, and the returned length
// (the full length) tells the caller that it was cut. Nothing is ever
// written past work[kAddressWorkSize - 1].
size_t UpperCaseAddress(const char* text, char (&work)[kAddressWorkSize]);

// Returns the text's length when every character of it is in set, else 0.
// An empty text gives 0.
size_t LengthIfAllInSet(const char* set, const char* text);

// True when text is empty, or two decimal digits whose value is <= limit.
bool CheckTwoDigitField(const char* text, int limit);

// Why an address would be refused by command 3 (kAccepted when it would not).
enum class TagRefusal : int32_t {
    kAccepted = 0,
    kBadForm,          // not "!x", not six characters, a field not two digits,
                       // or more than 31 characters
    kLineAbove12,
    kDetectorAbove40,
    kZoneAbove12,
    kTableFull,        // a valid gate address, but all 20000 entries are used
};

// Explains, without changing anything, how command 3 would answer text on a
// channel whose address table already holds registeredCount entries. The text
// is upper-cased the same way command 3 does it (on a private copy). The
// fields are tested in order line, detector, zone; the first that fails is
// the reason. A null text is kBadForm.
TagRefusal ExplainTagRefusal(const char* text, uint32_t registeredCount = 0);

// The words for a refusal: "accepted", "bad form", "line above 12",
// "detector above 40", "zone above 12", "table full".
const char* TagRefusalText(TagRefusal refusal);

}  // namespace zid
