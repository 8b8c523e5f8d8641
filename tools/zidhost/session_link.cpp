// Whether each channel's port answers (the status word !C), and the tries
// to bring back one that does not (--reopen-every).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/common/result_text.h"
#include "tools/zidhost/console.h"
#include "tools/zidhost/session.h"
#include "tools/zidhost/session_channel.h"

namespace zidhost {
namespace {

using zid::Command;
using zidtools::ResultText;

std::string Seconds(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(ms) / 1000.0);
    return text;
}

// What brings the port back, or why nothing tries.
std::string RemedyText(const ReopenSchedule& reopen) {
    if (reopen.Held())
        return reopen.Every() ? "closed by the close command: no re-open tries until reopen or change"
                              : "closed by the close command: type reopen to open it again";
    if (reopen.Every() == 0)
        return "type close, then reopen, to bring it back (or run with --reopen-every S)";
    return "re-open tries every " + std::to_string(reopen.Every()) +
           " s, backing off to once a minute, until it answers";
}

}  // namespace

void Session::PortAnswerChanged(Channel& c, uint16_t before, uint16_t after) {
    const int64_t now = SteadyMs();
    const std::string port = c.tag.display + ", port " + Escaped(c.driver.Settings().name);
    if (after != 0) {
        c.silentSinceMs = now;
        c.reopen.Seen(false, now);
        records_.PortAnswer(c.tag, before, after,
                            port + ": the driver's look at the port failed, so the host hears "
                                   "nothing from the panel (a USB adapter pulled out, a device "
                                   "error, or the port closed); " +
                                RemedyText(c.reopen));
        return;
    }
    const int tries = c.reopen.Tries();
    c.reopen.Seen(true, now);
    records_.PortAnswer(c.tag, before, after,
                        port + ", after " + Seconds(now - c.silentSinceMs) + " without an answer" +
                            (tries > 0 ? " (re-open try " + std::to_string(tries) + ")" : ""));
}

std::string Session::PortAnswerText(const Channel& c) const {
    if (c.status[kPortWord] == 0) return "it answers";
    const int64_t now = SteadyMs();
    const std::string text = "NOT ANSWERING for " + Seconds(now - c.silentSinceMs) +
                             " (the host hears nothing from the panel); ";
    if (c.reopen.Trying())
        return text + "re-open try " + std::to_string(c.reopen.Tries() + 1) + " in " +
               Seconds(c.reopen.NextMs() - now);
    return text + RemedyText(c.reopen);
}

// A try is a close (code 11), then the stored port opened again by a change
// to the same name with baud 0 (code 15), which keeps the stored line:
// - never the re-open (code 13) alone: it stores the new handle over the old
//   one without closing it, and a port that stopped answering still holds
//   its handle, so every try would leak one. The close gives it back (it
//   answers 0 even for a device that is gone).
// - nor the re-open after the close: a port the driver opens starts with a
//   read timeout of 1000 ms, and only the start and the change set the
//   channel's own. With 1000 ms a pause inside a line is bridged for 5 s
//   instead of 200 ms, so a line cut off by the failure would take the
//   panel's next line into it. And the change cannot follow a re-open: with
//   the same name it opens the port a second time over the handle held (a
//   leak under Wine, a refusal under Windows, which opens a COM port once).
//   After the close the channel holds no handle, and the change opens the
//   port once, as the start did.
// A close that fails leaves the handle in the context: nothing is opened
// over it. A failed change logs the driver's "open new COM port failed".
void Session::TryReopen(Channel& c) {
    if (!c.started || !c.reopen.Due(SteadyMs())) return;
    commandChannel_ = &c;
    const std::string name = c.driver.Settings().name;
    const int32_t closed = c.driver.Close();
    std::string text = "re-open try " + std::to_string(c.reopen.Tries()) +
                       " (the port does not answer): close: " +
                       ResultText(Command::kClosePort, closed);
    if (closed == zid::kDone) {
        zid::PortChangeArgs args{};
        std::memcpy(args.name, name.c_str(), std::min(name.size(), sizeof args.name - 1));
        text += "; change to " + Escaped(name.c_str()) + ", stored line: " +
                ResultText(Command::kChangeSulParams, c.driver.Change(args));
    } else {
        text += "; not opened over the handle it still holds";
    }
    records_.Command(&c.tag, text + "; next try in " + std::to_string(c.reopen.WaitSeconds()) +
                                 " s unless it answers");
    commandChannel_ = nullptr;
}

}  // namespace zidhost
