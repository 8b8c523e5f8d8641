#include "tools/common/capture.h"

#include <cmath>
#include <cstdlib>

#include "tools/common/readable.h"
#include "tools/common/utf8_text.h"

namespace zidtools {
namespace {

// The longest pause one wait command of a scenario holds is 999999 ms; a
// longer one is written as several, of ten minutes each.
constexpr long kWaitPiece = 600000;

}  // namespace

std::string CaptureHeader(const std::string& startedAt, const std::string& port,
                          const std::string& settings) {
    return "# Lines read by the ZID-12 driver on " + WithBadBytesEscaped(port) + " (" + settings + "), from " +
           startedAt +
           ".\n"
           "# Captured by zidhost as a zidpanel scenario. Replay it on another port with\n"
           "#   zidpanel --port COM2 --gap 0 --scenario THIS-FILE\n"
           "# (--speed 0 sends the lines back to back, --speed 10 ten times as fast).\n"
           "# Each line: its time and text as a comment, the pause before it, and its bytes.\n";
}

std::string CaptureEntry(const std::string& time, long waitMs, const std::string& line,
                         bool refused) {
    std::string out = "# " + time + "  ";
    out += refused ? "a line the driver refused (Got Illegal length Msg); its bytes are not known"
                   : ReadablePanelLine(line);
    out += '\n';
    for (long left = waitMs; left > 0; left -= kWaitPiece)
        out += "wait " + std::to_string(left < kWaitPiece ? left : kWaitPiece) + '\n';
    if (!refused) out += "raw " + HexBytes(line + '\0') + '\n';
    return out;
}

bool ParseReplaySpeed(const char* text, double& speed) {
    // Plain decimals only: strtod would also take blanks, a sign, an
    // exponent, hex and "inf".
    int digits = 0, dots = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c >= '0' && *c <= '9')
            ++digits;
        else if (*c == '.')
            ++dots;
        else
            return false;
    }
    if (digits == 0 || dots > 1) return false;
    const double v = std::strtod(text, nullptr);
    if (v != 0 && (v < kSlowestReplay || v > kFastestReplay)) return false;
    speed = v;
    return true;
}

long ScaledWait(long milliseconds, double speed) {
    if (speed <= 0 || milliseconds <= 0) return 0;
    const double scaled = std::round(milliseconds / speed);
    return scaled >= 2147483647.0 ? 2147483647L : static_cast<long>(scaled);
}

}  // namespace zidtools
