#include "tools/zidhost/records.h"

#include "tools/common/capture.h"
#include "tools/common/files.h"
#include "tools/common/readable.h"
#include "tools/common/event_names.h"
#include "tools/common/local_time.h"
#include "tools/zidhost/console.h"

namespace zidhost {
namespace {

namespace kind = zidtools::journal_kind;

const char* RejectionText(Rejection why) {
    switch (why) {
        case Rejection::kEmpty: return "an empty line";
        case Rejection::kOverlong:
            return "longer than 100 characters; its first 100 are dropped, and the rest follows as "
                   "a line of its own";
        case Rejection::kCutOff: return "cut off: nothing more came within the read timeouts";
    }
    return "?";
}

std::string Now() { return zidtools::FormatLocalTime(std::chrono::system_clock::now()); }

}  // namespace

Records::~Records() {
    for (auto& [number, capture] : captures_)
        if (capture.file) std::fclose(capture.file);
}

zidtools::Status Records::OpenJournal(const std::string& reportDir) {
    if (zidtools::Status opened = journal_.Open(reportDir); !opened) return opened;
    // A walk test carried on: its record shows the earlier sessions too.
    const zidtools::Outcome<std::string> text =
        zidtools::ReadFileBytes(zidtools::PathIn(reportDir, zidtools::kJournalFileName));
    const zidtools::Outcome<zidtools::ParsedJournal> parsed =
        zidtools::ParseJournal(text.value_or(""));
    std::lock_guard<std::mutex> guard(rowsLock_);
    if (parsed) rows_ = parsed->rows;
    rowsChanged_ = true;
    return zidtools::Done{};
}

void Records::RowsChangedAgain() {
    std::lock_guard<std::mutex> guard(rowsLock_);
    rowsChanged_ = true;
}

bool Records::RowsIfChanged(std::vector<zidtools::JournalRow>& rows) {
    std::lock_guard<std::mutex> guard(rowsLock_);
    if (!rowsChanged_) return false;
    rows = rows_;
    rowsChanged_ = false;
    return true;
}

zidtools::Status Records::OpenCapture(const ChannelTag& channel, const std::string& path,
                                      const std::string& port, const std::string& settings) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return zidtools::Failure{"cannot write the capture file " + path};
    const std::string header = zidtools::CaptureHeader(Now(), port, settings);
    std::fwrite(header.data(), 1, header.size(), file);
    std::fflush(file);
    std::lock_guard<std::mutex> guard(captureLock_);
    captures_[channel.number].file = file;
    return zidtools::Done{};
}

std::string Records::Prefix(const ChannelTag* channel) const {
    if (!namesChannels_ || channel == nullptr) return {};
    return channel->display + ": ";
}

void Records::Row(const ChannelTag* channel, const char* rowKind, const std::string& address,
                  const std::string& label, const std::string& oldValue,
                  const std::string& newValue, const std::string& text) {
    if (!journal_.IsOpen()) return;
    zidtools::JournalRow row;
    row.time = Now();
    row.channel = channel ? channel->number : 0;
    row.kind = rowKind;
    row.address = address;
    row.label = label;
    row.oldValue = oldValue;
    row.newValue = newValue;
    row.text = text;
    if (!journal_.Append(row) && !journalFailed_) {
        journalFailed_ = true;
        Error("the journal can no longer be written (disk full, or its folder gone?)");
    }
    std::lock_guard<std::mutex> guard(rowsLock_);
    rows_.push_back(std::move(row));
    rowsChanged_ = true;
}

void Records::Captured(const ChannelTag& channel, const std::string& bytes, bool rejected) {
    std::lock_guard<std::mutex> guard(captureLock_);
    const auto it = captures_.find(channel.number);
    if (it == captures_.end() || it->second.file == nullptr) return;
    Capture& c = it->second;
    const auto now = std::chrono::steady_clock::now();
    const long wait =
        c.any ? static_cast<long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(now - c.last).count())
              : 0;
    c.last = now;
    c.any = true;
    const std::string entry = zidtools::CaptureEntry(Now(), wait, bytes, rejected);
    std::fwrite(entry.data(), 1, entry.size(), c.file);
    std::fflush(c.file);
}

void Records::Note(const char* timelineKind, const std::string& text) {
    Timeline(timelineKind, "%s", text.c_str());
}

void Records::Start(const ChannelTag& channel, const zidtools::StartFacts& facts) {
    Row(&channel, kind::kStart, "", "", "", "", zidtools::StartText(facts));
}

void Records::TagRegistered(const ChannelTag& channel, const std::string& address,
                            const std::string& label, const std::string& type) {
    Row(&channel, kind::kTag, address, label, "", "0x0000",
        type.empty() ? "registered" : "registered; type=" + type);
}

void Records::Log(const ChannelTag* channel, const std::string& line) {
    Timeline("log", "%s%s", Prefix(channel).c_str(), Escaped(line.c_str()).c_str());
}

void Records::Line(const ChannelTag& channel, const std::string& bytes,
                   std::optional<zid::PanelEvent> event, bool restOfRejected) {
    const std::string readable = zidtools::ReadablePanelLine(bytes);
    std::string marks;
    if (!event) marks += "  [no event]";
    if (restOfRejected) marks += "  [rest of the rejected line]";
    Timeline("panel", "%s%s%s", Prefix(&channel).c_str(), readable.c_str(), marks.c_str());
    Row(&channel, event ? kind::kLine : kind::kNoEvent, "", "", "", "",
        restOfRejected ? readable + "  (rest of the rejected line)" : readable);
    Captured(channel, bytes, false);
}

void Records::Rejected(const ChannelTag& channel, Rejection why, const std::string& bufferedLine) {
    std::string text = std::string("line rejected: ") + RejectionText(why);
    if (!bufferedLine.empty()) text += ": " + zidtools::ReadablePanelLine(bufferedLine);
    Timeline("reject", "%s%s", Prefix(&channel).c_str(), text.c_str());
    Row(&channel, kind::kRejectedLine, "", "", "", "", text);
    Captured(channel, bufferedLine, true);
}

void Records::Gate(const ChannelTag& channel, const std::string& address, const std::string& label,
                   uint16_t before, uint16_t after, std::optional<zid::PanelEvent> event) {
    const std::string changes = BitChanges(before, after);
    const char* words = event ? zidtools::NamesOf(*event).words : nullptr;
    if (before == after)
        Timeline("gate", "%s%s  0x%04X unchanged  %s again: the bit was set already  (channel %d)%s%s",
                 Prefix(&channel).c_str(), address.c_str(), after, words ? words : "a write",
                 channel.number, label.empty() ? "" : "  ", label.c_str());
    else
        Timeline("gate", "%s%s  0x%04X -> 0x%04X  %s  (channel %d)%s%s", Prefix(&channel).c_str(),
                 address.c_str(), before, after, changes.c_str(), channel.number,
                 label.empty() ? "" : "  ", label.c_str());
    // The line's event goes with the change: the walk test counts the
    // panel's lines, not the bit's rises (journal_row.h).
    Row(&channel, kind::kGate, address, label, zidtools::HexWord(before), zidtools::HexWord(after),
        words ? std::string(words) + ": " + (changes.empty() ? "no change" : changes) : changes);
}

void Records::UnknownGate(const ChannelTag& channel, const std::string& address,
                          std::optional<zid::PanelEvent> event) {
    // Built by the driver from the line's digit pairs, whose second
    // characters may be any byte.
    const std::string shown = Escaped(address.c_str());
    Timeline("nogate", "%s%s  not a gate of the host: the panel named an address no point uses",
             Prefix(&channel).c_str(), shown.c_str());
    Row(&channel, kind::kUnknownGate, shown, "", "", "", event ? zidtools::NamesOf(*event).words : "");
}

void Records::Status(const ChannelTag& channel, char word, uint16_t before, uint16_t after) {
    Timeline("status", "%s%c %u -> %u", Prefix(&channel).c_str(), word, before, after);
    Row(&channel, kind::kStatus, std::string("!") + word, "", std::to_string(before),
        std::to_string(after), "");
}

void Records::StatusNow(const ChannelTag& channel, const uint16_t w[5]) {
    Timeline("status", "%sT=%u F=%u R=%u S=%u C=%u", Prefix(&channel).c_str(), w[0], w[1], w[2],
             w[3], w[4]);
}

void Records::PortAnswer(const ChannelTag& channel, uint16_t before, uint16_t after,
                         const std::string& text) {
    Timeline("link", "%s%s%s", Prefix(&channel).c_str(),
             after != 0 ? "PORT NOT ANSWERING: " : "port answers again: ", text.c_str());
    Row(&channel, kind::kStatus, "!C", "", std::to_string(before), std::to_string(after), text);
}

void Records::Port(const ChannelTag& channel, bool open, const std::string& text) {
    if (open) {
        Timeline("port", "%s%s", Prefix(&channel).c_str(), text.c_str());
        Row(&channel, kind::kPort, "", "", "", "", text);
    } else {
        Timeline("port", "%sNOT LISTENING: %s %s", Prefix(&channel).c_str(),
                 channel.display.c_str(), text.c_str());
        Row(&channel, kind::kPort, "", "", "", "", "NOT LISTENING: " + text);
    }
}

void Records::Command(const ChannelTag* channel, const std::string& text) {
    Timeline("cmd", "%s%s", Prefix(channel).c_str(), text.c_str());
    Row(channel, kind::kCommand, "", "", "", "", text);
}

void Records::Remark(const ChannelTag& channel, const std::string& address,
                     const std::string& label, const std::string& text, const std::string& note) {
    Timeline("remark", "%s%s%s%s: %s%s", Prefix(&channel).c_str(), address.c_str(),
             label.empty() ? "" : "  ", label.c_str(), text.c_str(), note.c_str());
    Row(&channel, kind::kRemark, address, label, "", "", text);
}

void Records::Stop(const ChannelTag& channel) {
    Row(&channel, kind::kStop, "", "", "", "", "the run ends");
}

}  // namespace zidhost
