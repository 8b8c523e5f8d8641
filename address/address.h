// Tag address syntax, validation and point reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zid {

// Returns the text's length when every character of it is in set, else 0.
size_t LengthIfAllInSet(const char* set, const char* text);

// True when text is empty, or two decimal digits whose value is <= limit.
bool CheckTwoDigitField(const char* text, int limit);

}  // namespace zid
