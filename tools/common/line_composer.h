// Composes ZID-12 panel lines: code page 862, visual order, with the fields
// at the offsets the decoder reads. Used by the tests and by the panel
// simulator. docs/panel-lines.md describes the layout.
#pragma once

#include <cstddef>
#include <cstdint>

#include "panel/decoder.h"

namespace zid {

struct PanelLineFields {
    PanelEvent event;
    int line = 0;       // 0..99 printed as two digits where the event has a line
    int detector = 0;   // 0..99
    int zone = 0;       // 0..99
    bool endMarker = false;  // FaultLine/FaultLineEnd: "END" at offsets 2..4
    // Time stamp printed in the prefix; purely cosmetic.
    int hour = 0, minute = 0, second = 0;
};

// Writes the line, NUL-terminated, into out (size >= 101). Returns its
// length (1..100), or 0 when the fields cannot be expressed.
size_t ComposePanelLine(const PanelLineFields& fields, char* out, size_t size);

}  // namespace zid
