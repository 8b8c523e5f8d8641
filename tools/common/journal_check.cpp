#include "tools/common/journal_check.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "tools/common/local_time.h"
#include "tools/common/numbers.h"
#include "tools/common/utf8_text.h"

namespace zidtools {
namespace {

namespace kind = journal_kind;

constexpr int kHighestChannel = 255;

// What a kind puts in the address field.
enum class AddressForm { kNone, kGate, kTag, kStatusWord, kReported };
// What it puts in the old and new fields.
enum class ValueForm { kAny, kGateWords, kTagWord, kStatusNumbers };

struct KindRule {
    const char* kind;
    AddressForm address;
    ValueForm values;
};

// Every kind the journal knows; a kind added to journal_row.h goes here too.
constexpr KindRule kRules[] = {
    {kind::kStart, AddressForm::kNone, ValueForm::kAny},
    {kind::kTag, AddressForm::kTag, ValueForm::kTagWord},
    {kind::kLine, AddressForm::kNone, ValueForm::kAny},
    {kind::kNoEvent, AddressForm::kNone, ValueForm::kAny},
    {kind::kRejectedLine, AddressForm::kNone, ValueForm::kAny},
    {kind::kGate, AddressForm::kGate, ValueForm::kGateWords},
    {kind::kStatus, AddressForm::kStatusWord, ValueForm::kStatusNumbers},
    {kind::kUnknownGate, AddressForm::kReported, ValueForm::kAny},
    {kind::kPort, AddressForm::kNone, ValueForm::kAny},
    {kind::kCommand, AddressForm::kNone, ValueForm::kAny},
    {kind::kRemark, AddressForm::kTag, ValueForm::kAny},
    {kind::kStop, AddressForm::kNone, ValueForm::kAny},
};

const KindRule* RuleOf(const std::string& k) {
    for (const KindRule& rule : kRules)
        if (k == rule.kind) return &rule;
    return nullptr;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsPrintableAscii(char c) { return c >= 0x20 && c <= 0x7E; }

bool SixDigits(const std::string& a) {
    if (a.size() != 6) return false;
    for (char c : a)
        if (!IsDigit(c)) return false;
    return true;
}

// The address of the row's kind has its form. A tag is what the driver
// accepted: a gate, or '!' and one byte (which the journal writes as \xNN
// when it is not ASCII). A reported address is what the driver built
// from a panel line's digit pairs (at most six characters, non-printable
// ones written \xNN, as zidhost writes them), so it starts with a digit.
bool AddressHasForm(const std::string& a, AddressForm form) {
    switch (form) {
        case AddressForm::kNone:
            return a.empty();
        case AddressForm::kGate:
            return SixDigits(a);
        case AddressForm::kTag:
            return SixDigits(a) || (a.size() == 2 && a[0] == '!') ||
                   (a.size() == 5 && a.compare(0, 3, "!\\x") == 0);
        case AddressForm::kStatusWord:
            return a == "!T" || a == "!F" || a == "!R" || a == "!S" || a == "!C";
        case AddressForm::kReported: {
            if (a.empty() || a.size() > 6 * 4 || !IsDigit(a[0])) return false;
            for (char c : a)
                if (!IsPrintableAscii(c)) return false;
            return true;
        }
    }
    return false;
}

const char* AddressFormWords(AddressForm form) {
    switch (form) {
        case AddressForm::kNone: return "none";
        case AddressForm::kGate: return "six digits";
        case AddressForm::kTag: return "six digits, or ! and one character";
        case AddressForm::kStatusWord: return "!T, !F, !R, !S or !C";
        case AddressForm::kReported: return "up to six characters from a panel line, a digit first";
    }
    return "?";
}

// The reason a value field is not what the kind writes there; empty if it is.
std::string ValueProblem(const JournalRow& row, ValueForm form) {
    const std::pair<const char*, const std::string*> fields[] = {{"old", &row.oldValue},
                                                                 {"new", &row.newValue}};
    for (const auto& [name, value] : fields) {
        const bool used = form == ValueForm::kGateWords || form == ValueForm::kStatusNumbers ||
                          (form == ValueForm::kTagWord && value == &row.newValue);
        if (!used) continue;
        if (form == ValueForm::kStatusNumbers) {
            if (!ParseNumber(*value, 0, 65535))
                return std::string("the ") + name + " value is not a number from 0 to 65535: \"" +
                       ShownToken(*value, 24) + "\"";
        } else if (!ParseHexWord(*value)) {
            return std::string("the ") + name + " value is not a hex word (0x0000 to 0xFFFF): \"" +
                   ShownToken(*value, 24) + "\"";
        }
    }
    return {};
}

// "3.2 s", "12 min", "5 h 02 min", "20 days".
std::string Span(long long ms) {
    const long long s = ms / 1000;
    if (s < 60) return std::to_string(ms / 1000) + "." + std::to_string(ms % 1000 / 100) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min";
    if (s < 86400) {
        const long long m = s / 60 % 60;
        return std::to_string(s / 3600) + " h " + (m < 10 ? "0" : "") + std::to_string(m) + " min";
    }
    return std::to_string(s / 86400) + " days";
}

// The reason a field's text cannot go into a report; empty if it can.
std::string TextProblem(const JournalRow& row) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"time", &row.time},   {"kind", &row.kind},    {"address", &row.address},
        {"label", &row.label}, {"old", &row.oldValue}, {"new", &row.newValue},
        {"text", &row.text}};
    for (const auto& [name, value] : fields) {
        const std::optional<size_t> at = BadUtf8At(*value);
        if (!at) continue;
        if ((*value)[*at] == '\0')
            return std::string("a NUL byte in the ") + name + " field";
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>((*value)[*at]));
        return std::string("the ") + name + " field is not valid UTF-8 (byte " + byte +
               " at position " + std::to_string(*at + 1) + ")";
    }
    return {};
}

struct Checker {
    struct Run {
        bool started = false;
        std::optional<long long> lastTime;  // of the channel's row before
        int lastLine = 0;
    };
    std::array<Run, kHighestChannel + 1> runs{};
    // When each gate's value last rose: the fire or fault a restore ends.
    struct Rise {
        long long time;
        int line;
    };
    std::unordered_map<std::string, Rise> rises;  // by channel and address
    std::string key;                              // reused: no allocation per row

    // The reason the row cannot be used; empty when it can.
    std::string Check(const JournalRow& row) {
        if (std::string why = TextProblem(row); !why.empty()) return why;
        const std::optional<long long> time = ParseLocalTime(row.time);
        if (!time)
            return "the time is not of the form YYYY-MM-DD HH:MM:SS.mmm: \"" + ShownToken(row.time, 32) +
                   "\"";
        const KindRule* rule = RuleOf(row.kind);
        if (rule == nullptr) return "unknown kind \"" + ShownToken(row.kind, 32) + "\"";
        if (row.channel < 0 || row.channel > kHighestChannel)
            return "channel " + std::to_string(row.channel) + " is not a channel (0 to 255)";
        Run& run = runs[static_cast<size_t>(row.channel)];
        const bool start = row.kind == kind::kStart;
        if (!run.started && !start)
            return "channel " + std::to_string(row.channel) + " has no start row before this one";

        // A start row begins a run: the clock may have been set since the last.
        const std::optional<long long> before = start ? std::nullopt : run.lastTime;
        const int beforeLine = run.lastLine;
        run.lastTime = time;
        run.lastLine = row.line;
        if (before && *time < *before - kJournalTimeToleranceMs)
            return "the time runs back " + Span(*before - *time) + " from line " +
                   std::to_string(beforeLine) + " within the run (at most " +
                   Span(kJournalTimeToleranceMs) + " is allowed)";

        if (!AddressHasForm(row.address, rule->address))
            return "the address \"" + ShownToken(row.address, 32) + "\" is not of the form a " +
                   row.kind + " row takes (" + AddressFormWords(rule->address) + ")";
        if (std::string why = ValueProblem(row, rule->values); !why.empty()) return why;

        if (rule->values == ValueForm::kGateWords) {
            const uint16_t old = *ParseHexWord(row.oldValue), now = *ParseHexWord(row.newValue);
            key.assign(std::to_string(row.channel)).append(1, ' ').append(row.address);
            const auto rise = rises.find(key);
            if (old != 0 && now == 0 && rise != rises.end() && *time < rise->second.time)
                return "a restore dated before the fire or fault it would end (line " +
                       std::to_string(rise->second.line) + "): not a restore";
            if ((~old & now) != 0) rises[key] = {*time, row.line};
        }
        if (start) run.started = true;
        return {};
    }
};

}  // namespace

std::vector<JournalProblem> CheckJournalRows(std::vector<JournalRow>& rows) {
    std::vector<JournalProblem> problems;
    Checker checker;
    size_t kept = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        std::string why = checker.Check(rows[i]);
        if (!why.empty()) {
            problems.push_back({rows[i].line, std::move(why)});
            continue;
        }
        if (kept != i) rows[kept] = std::move(rows[i]);
        ++kept;
    }
    rows.resize(kept);
    return problems;
}

}  // namespace zidtools
