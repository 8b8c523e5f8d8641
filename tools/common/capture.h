// Captures of what the driver read, written as zidpanel scenarios: replayed
// with "zidpanel --scenario FILE", a panel sends the same bytes with the
// same pauses, so a site's events can be played again on the bench.
#pragma once

#include <string>

namespace zidtools {

// The comment lines at the top of a capture: what it is, where and when it
// was taken, and how to replay it.
std::string CaptureHeader(const std::string& startedAt, const std::string& port,
                          const std::string& settings);

// One line the driver read (without its NUL), taken at time, waitMs after
// the previous one (0 or less for the first): a "# TIME  readable text"
// comment, "wait MS" for the pause, and "raw HEX…" with the line's bytes and
// its NUL. The driver does not hand out the bytes of a line it refused, so a
// refused line gives its comment and its pause only.
std::string CaptureEntry(const std::string& time, long waitMs, const std::string& line,
                         bool refused);

// zidpanel --speed: 1 plays the pauses in real time, 2 twice as fast, 0.5
// at half speed, 0 leaves them out. A plain decimal, 0 or from
// kSlowestReplay to kFastestReplay; false for anything else.
inline constexpr double kSlowestReplay = 0.01;
inline constexpr double kFastestReplay = 1000;
bool ParseReplaySpeed(const char* text, double& speed);
// A pause of a scenario at that speed, in milliseconds.
long ScaledWait(long milliseconds, double speed);

}  // namespace zidtools
