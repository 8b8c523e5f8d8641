// The driver's own texts, in one place: every format it logs through err(),
// the names it registers its host clients under, and the line flags of every
// port it opens.
//
// Hosts and operators read these texts, and zidhost finds lines, refusals
// and unknown gates in the log by them, so they are written once here and
// used by name everywhere: in the driver, which passes them to err() (whose
// declaration lets the compiler check each call's arguments against its
// format), and in the tools, which match logged lines against them. A word
// changed here changes both sides together. docs/log-messages.md explains
// every format of the logline namespace; the test docs.log_messages reads
// them from this file.
//
// Pointers to literals rather than arrays: the compiler checks formats
// either way, but arrays are laid out on 32-byte boundaries and would grow
// the DLL's read-only data for nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zid {

namespace logline {
// The channel commands, on the host's thread. kPortOpenFailed is the one
// format without the "SulVOR" tag: its first %s is the driver's name.
inline constexpr const char* kPortOpenFailed = "SUL%s : Fail to open %s";
inline constexpr const char* kPortNameTooLong =
    "SulVOR : Port name %.*s is too long (at most %d characters), not opened";
inline constexpr const char* kClientNotMade = "SulVOR : Failed to make Client !!!";
inline constexpr const char* kThreadNotStarted = "SulVOR : Can Not open Unsolicetd thread !!!";
inline constexpr const char* kChangeOpenFailed = "SulVOR> ChangeSulParams() open new COM port failed";

// The receiver thread and line framing.
inline constexpr const char* kThreadStarted = "SulVOR : Start Unsolicited Thread";
inline constexpr const char* kLineRead = "SulVOR: PLC read this message: %s";
inline constexpr const char* kCharacterMissing = "SulVOR: Failed to read a character from PLC";
inline constexpr const char* kIllegalLength = "SulVOR : Got Illegal length Msg";
inline constexpr const char* kShutDown = "SulVOR : ShutDown !";

// Gate updates.
inline constexpr const char* kGateNotFound = "SulVOR : Can not find gate %s";
inline constexpr const char* kGateNotWritten = "SulVOR : Can not write to gate %s";
}  // namespace logline

// What every line logged with format starts with: its text before the first
// conversion (FixedPart(logline::kGateNotFound) is "SulVOR : Can not find
// gate "). A format without conversions gives its whole text, which is then
// the exact line.
constexpr std::string_view FixedPart(std::string_view format) {
    const size_t conversion = format.find('%');
    return {format.data(), conversion == std::string_view::npos ? format.size() : conversion};
}
constexpr bool HasConversions(std::string_view format) {
    return format.find('%') != std::string_view::npos;
}
static_assert(FixedPart("gate %s now") == "gate " && FixedPart("no gate") == "no gate");

// The host client of a channel, named after the channel number; formatted
// into kClientNameSize bytes, so at most 19 characters ("SulVOR No_01").
inline constexpr const char* kClientNameFormat = "SulVOR No_%.2d";
inline constexpr size_t kClientNameSize = 20;
// The short-lived client through which the address dialog asks the host for
// its version, named after the calling thread.
inline constexpr const char* kDialogClientNameFormat = "SulVORBr%02lu";

// The line flags of every port the driver opens: DTR on, RTS on.
inline constexpr uint16_t kPortLineFlags = 0x4333;

}  // namespace zid
