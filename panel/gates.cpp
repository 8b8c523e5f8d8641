// Gate bit updates: a panel event sets or clears one bit of a host gate whose
// six-digit address LLDDZZ is built from digit pairs of the panel line; the
// panel's reset writes zero to every registered gate.
#include "panel/gates.h"

#include "host_abi/driver_log.h"
#include "host_abi/qelmar.h"
#include "panel/line_layout.h"

namespace zid {
namespace {

// Room for the six address characters and the NUL.
constexpr int kGateAddressRoom = 8;
// The third argument of every gate write.
constexpr int32_t kPutMode = 2;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct LineView {
    const char* text;
    int length;  // characters before the NUL
};

LineView ViewLine(const ChannelContext* context) {
    int n = 0;
    while (n < kMaxLineLength && context->message[n] != '\0') ++n;
    return {context->message, n};
}

bool DigitAt(const LineView& line, int k) {
    return k >= 0 && k < line.length && IsDigit(line.text[k]);
}

// Appends the digit pair at k: empty when the character at k is not a digit;
// the second character is taken whatever it is, unless the line ends first.
void AppendPair(const LineView& line, int k, char* address, int* n) {
    if (!DigitAt(line, k)) return;
    address[(*n)++] = line.text[k];
    if (k + 1 < line.length) address[(*n)++] = line.text[k + 1];
}

void AppendText(const char* text, char* address, int* n) {
    while (*text != '\0') address[(*n)++] = *text++;
}

void ComposeGateAddress(const LineView& line, int start, bool lineForm, char* address) {
    int n = 0;
    if (!lineForm) {
        AppendText("0000", address, &n);
        AppendPair(line, start, address, &n);
    } else if (DigitAt(line, start + layout::kLinePairDistance)) {
        AppendPair(line, start + layout::kLinePairDistance, address, &n);
        AppendPair(line, start, address, &n);
        AppendText("00", address, &n);
    } else {
        AppendPair(line, start, address, &n);
        AppendText("0000", address, &n);
    }
    address[n] = '\0';
}

}  // namespace

void SetGateBit(ChannelContext* context, uint8_t bit, bool set, int start, bool lineForm) {
    char address[kGateAddressRoom];
    ComposeGateAddress(ViewLine(context), start, lineForm, address);

    uint32_t gateId = 0;
    if (QelGetGateIdByAddressStr(context->clientId, context->channel, address, &gateId) != 0) {
        err(kLogLevel, logline::kGateNotFound, address);
        return;
    }

    RawGateValue raw{};
    QelGetGateRawValue(context->clientId, gateId, &raw, 0);  // status ignored
    // Bits 0..15 exist; a larger bit number changes nothing.
    const auto mask = static_cast<uint16_t>(bit < 16 ? 1u << bit : 0u);
    raw.value = set ? static_cast<uint16_t>(raw.value | mask)
                    : static_cast<uint16_t>(raw.value & ~mask);

    CookedValue cooked{};
    QelCook(context->clientId, gateId, raw, &cooked);  // status ignored
    if (QelPutGateVal(context->clientId, gateId, kPutMode, cooked, 0, 0) != 0) {
        err(kLogLevel, logline::kGateNotWritten, address);
    }
}

void ClearAllGates(ChannelContext* context) {
    const CookedValue zero{};
    // The count is read afresh before each entry: an address the host's
    // thread appends while the walk runs is cleared too.
    for (uint32_t i = 0; i < AcquireCount(*context) && i < uint32_t(kAddressTableSize); ++i) {
        // A private, always terminated copy of the entry.
        char address[kAddressSize];
        const char* entry = context->addresses[i];
        int n = 0;
        while (n < kAddressSize - 1 && entry[n] != '\0') {
            address[n] = entry[n];
            ++n;
        }
        address[n] = '\0';

        uint32_t gateId = 0;
        if (QelGetGateIdByAddressStr(context->clientId, context->channel, address, &gateId) != 0) {
            // Logged, and the walk goes on: stopping here would leave every
            // later gate, fire bits included, set after the panel's reset.
            err(kLogLevel, logline::kGateNotFound, address);
            continue;
        }
        if (QelPutGateVal(context->clientId, gateId, kPutMode, zero, 0, 0) != 0) {
            err(kLogLevel, logline::kGateNotWritten, address);
        }
    }
}

}  // namespace zid
