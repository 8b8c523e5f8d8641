#include "tools/common/journal_row.h"

#include <algorithm>
#include <cstdio>

#include "tools/common/csv.h"
#include "tools/common/utf8_text.h"

namespace zidtools {
namespace {

constexpr const char* kColumns[] = {"time",  "channel", "kind", "address",
                                    "label", "old",     "new",  "text"};
constexpr size_t kFieldCount = 8;

std::optional<int> ParseChannel(const std::string& text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int channel = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        channel = channel * 10 + (c - '0');
    }
    return channel;
}

// A field as the journal keeps it: valid UTF-8, without NUL.
void AppendJournalField(std::string& out, const std::string& field) {
    if (BadUtf8At(field))
        AppendCsvField(out, WithBadBytesEscaped(field));
    else
        AppendCsvField(out, field);
}

}  // namespace

std::string HexWord(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::optional<uint16_t> ParseHexWord(const std::string& text) {
    if (text.size() < 3 || text.size() > 6 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    unsigned v = 0;
    for (size_t i = 2; i < text.size(); ++i) {
        const char c = text[i];
        const int d = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
        if (d < 0) return std::nullopt;
        v = v * 16 + static_cast<unsigned>(d);
    }
    return static_cast<uint16_t>(v);
}

std::string JournalHeader() { return "time,channel,kind,address,label,old,new,text\r\n"; }

std::string FormatJournalRow(const JournalRow& row) {
    std::string out;
    out.reserve(64 + row.text.size() + row.label.size());
    AppendJournalField(out, row.time);
    out += ',';
    out += std::to_string(row.channel);
    for (const std::string* field :
         {&row.kind, &row.address, &row.label, &row.oldValue, &row.newValue, &row.text}) {
        out += ',';
        AppendJournalField(out, *field);
    }
    out += "\r\n";
    return out;
}

Outcome<ParsedJournal> ParseJournal(const std::string& text) {
    ParsedJournal out;
    out.rows.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
    CsvReader reader(text);
    std::vector<std::string> f;
    if (!reader.Next(f)) {
        if (reader.CutOff() && !text.empty())
            return Failure{"the first line is not the journal's header (" +
                           JournalHeader().substr(0, JournalHeader().size() - 2) + ")"};
        return Failure{"no header line: not a journal, or an empty one"};
    }
    if (!std::equal(f.begin(), f.end(), std::begin(kColumns), std::end(kColumns)))
        return Failure{"the first line is not the journal's header (" +
                       JournalHeader().substr(0, JournalHeader().size() - 2) + ")"};
    out.completeBytes = reader.Consumed();
    while (reader.Next(f)) {
        out.completeBytes = reader.Consumed();
        if (f.size() == 1 && f[0].empty()) continue;  // an empty line
        const std::optional<int> channel = f.size() == kFieldCount ? ParseChannel(f[1]) : std::nullopt;
        if (!channel) {
            ++out.unreadable;
            out.unreadableRows.push_back(
                {reader.Line(), f.size() != kFieldCount
                                    ? std::to_string(f.size()) + " field(s), not " +
                                          std::to_string(kFieldCount)
                                    : "the channel is not a number: " + ShownToken(f[1], 24)});
            continue;
        }
        JournalRow row;
        row.time = std::move(f[0]);
        row.channel = *channel;
        row.kind = std::move(f[2]);
        row.address = std::move(f[3]);
        row.label = std::move(f[4]);
        row.oldValue = std::move(f[5]);
        row.newValue = std::move(f[6]);
        row.text = std::move(f[7]);
        row.line = reader.Line();
        out.rows.push_back(std::move(row));
    }
    if (reader.CutOff()) ++out.cutOff;
    return out;
}

}  // namespace zidtools
