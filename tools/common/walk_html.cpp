#include "tools/common/walk_html.h"

#include <initializer_list>

#include "tools/common/device_type.h"
#include "tools/common/html_text.h"

namespace zidtools {
namespace {

// One page being written.
struct Page {
    const WalkRecord& record;
    Language language;
    std::string out;
    bool oneDay = true;  // every time of the record on the date it began

    const char* T(Say what) const { return Text(language, what); }
    void Put(std::initializer_list<std::string_view> parts) {
        for (std::string_view p : parts) out += p;
    }
    void Esc(std::string_view text) { AppendHtml(out, text); }
    void Iso(std::string_view text) { AppendIsolated(out, text); }
    void Ltr(std::string_view text) { AppendLtr(out, text); }
    void Cell(const char* tag, Say what) { Put({"<", tag, ">", T(what), "</", tag, ">"}); }

    // A journal time as the record shows it: to the second, and without its
    // date when the whole walk took place on one date.
    std::string Time(const std::string& time) const {
        if (time.size() < 19) return time;
        return oneDay ? time.substr(11, 8) : time.substr(0, 19);
    }
    void LtrTime(const std::string& time) {
        if (!time.empty()) Ltr(Time(time));
    }
    // A sentence of the word table with its places {1}.. filled with HTML.
    void Fill(Say what, std::initializer_list<std::string> pieces) {
        const std::string text = T(what);
        for (size_t i = 0; i < text.size(); ++i) {
            const size_t n = text[i] == '{' && i + 2 < text.size() && text[i + 2] == '}'
                                 ? static_cast<size_t>(text[i + 1] - '1')
                                 : pieces.size();
            if (n < pieces.size()) {
                out += *(pieces.begin() + n);
                i += 2;
            } else {
                out += text[i];
            }
        }
    }
};

std::string LtrHtml(const std::string& text) {
    std::string out;
    AppendLtr(out, text);
    return out;
}

std::string Identity(const WalkRecord& r, const char* key) {
    const auto it = r.identity.find(key);
    if (it != r.identity.end()) return it->second;
    // Older runs and runs without a [record]: what --site-name and
    // --operator said.
    const std::string fact = std::string(key) == "premises" ? "site"
                             : std::string(key) == "engineer" ? "operator"
                                                              : "";
    for (const ChannelRun& run : r.channels)
        if (!fact.empty() && !FactOf(run.facts, fact).empty()) return FactOf(run.facts, fact);
    return {};
}

void IdentitySection(Page& p) {
    p.Put({"<h2>", p.T(Say::kIdentity), "</h2>\n<table class=\"facts\">\n"});
    for (const char* key : kRecordKeys) {
        std::string value = Identity(p.record, key);
        if (std::string(key) == "test-type") {
            for (Say type : {Say::kTestTypeAcceptance, Say::kTestTypePeriodic, Say::kTestTypePartial})
                if (value == Text(Language::kEnglish, type)) value = p.T(type);
        }
        p.Put({"<tr><th>", RecordKeyIn(p.language, key), "</th><td>"});
        if (value.empty())
            p.out += "<span class=\"blank\"></span>";
        else
            p.Iso(value);
        p.out += "</td></tr>\n";
    }
    p.out += "</table>\n";
}

void SessionsSection(Page& p) {
    p.Put({"<h2>", p.T(Say::kSessions), "</h2>\n<table>\n<thead><tr><th>#</th>"});
    for (Say s : {Say::kStart, Say::kEnd, Say::kDuration, Say::kOperator, Say::kDriverVersion,
                  Say::kDriverSha, Say::kEnded})
        p.Cell("th", s);
    p.out += "</tr></thead>\n<tbody>\n";
    for (const WalkSession& s : p.record.sessions) {
        p.Put({"<tr><td>", std::to_string(s.number), "</td><td>"});
        p.Ltr(s.start.substr(0, 19));
        p.out += "</td><td>";
        p.Ltr(s.end.substr(0, 19));
        p.Put({"</td><td>", DurationIn(p.language, DurationMs(s.start, s.end)), "</td><td>"});
        p.Iso(s.operatorName);
        p.out += "</td><td>";
        p.Ltr(s.version);
        p.out += "</td><td class=\"mono\">";
        p.Ltr(s.sha256);
        p.Put({"</td><td>", p.T(s.endedNormally ? Say::kEndedNormally : Say::kEndedNot),
               "</td></tr>\n"});
    }
    p.out += "</tbody></table>\n<table>\n<thead><tr>";
    for (Say s : {Say::kChannel, Say::kPort, Say::kSettings, Say::kLinesRead, Say::kLinesRejected})
        p.Cell("th", s);
    p.out += "</tr></thead>\n<tbody>\n";
    for (const ChannelRun& run : p.record.channels) {
        p.Put({"<tr><td>", std::to_string(run.channel), "</td><td>"});
        p.Ltr(FactOf(run.facts, "port"));
        p.out += "</td><td>";
        p.Ltr(FactOf(run.facts, "settings"));
        p.Put({"</td><td>", std::to_string(run.linesRead), " (", std::to_string(run.linesNoEvent),
               " ", p.T(Say::kLinesNoEvent), ")</td><td>", std::to_string(run.linesRejected),
               "</td></tr>\n"});
    }
    p.out += "</tbody></table>\n";
}

void VerdictSection(Page& p) {
    const WalkRecord& r = p.record;
    const DeviceCounts c = CountDevices(r, -1);
    p.Put({"<h2>", p.T(Say::kVerdict), "</h2>\n<p class=\"verdict\">"});
    p.Esc(VerdictIn(p.language, c));
    p.out += "</p>\n";
    if (r.channels.size() > 1) {
        for (const ChannelRun& run : r.channels) {
            p.Put({"<p>", p.T(Say::kChannel), " ", std::to_string(run.channel), ": "});
            p.Esc(VerdictIn(p.language, CountDevices(r, run.channel)));
            p.out += "</p>\n";
        }
    }
    const bool clean = IsClean(r);
    p.Put({"<div class=\"system ", clean ? "pass" : "fail", "\"><b>", p.T(Say::kSystem), ":</b> ",
           p.T(clean ? Say::kSystemPass : Say::kSystemFail)});
    if (!clean) {
        p.out += "\n<ul>\n";
        int sessionsNotEnded = 0;
        for (const WalkSession& s : r.sessions) sessionsNotEnded += s.endedNormally ? 0 : 1;
        const int leftOut = r.journalCutOff + r.journalUnreadable + r.journalRowsSkipped;
        const std::pair<Tally, int> shortfalls[] = {
            {Tally::kNoDevices, c.devices == 0 ? 1 : 0}, {Tally::kNotTested, c.notTested},
            {Tally::kNotRestored, c.notRestored},      {Tally::kFaultOnly, c.faultOnly},
            {Tally::kUnregistered, c.unregistered},    {Tally::kLinkLost, c.linkLosses},
            {Tally::kSessionsNotEnded, sessionsNotEnded}, {Tally::kRowsLeftOut, leftOut},
        };
        for (const auto& [what, count] : shortfalls)
            if (count > 0) p.Put({"<li>", TallyText(p.language, what, count), "</li>\n"});
        p.out += "</ul>";
    }
    p.Put({"</div>\n<p class=\"rule\">", p.T(Say::kRule), "</p>\n"});
}

bool Passed(const DeviceRow& row) { return row.result == walk_result::kTested; }

void DeviceTable(Page& p) {
    const WalkRecord& r = p.record;
    // The session a device was first tested in has a column when there are
    // several; its width goes to the label otherwise.
    const bool sessions = r.sessions.size() > 1;
    p.Put({"<h2>", p.T(Say::kDevices), "</h2>\n<table class=\"devices\">\n<colgroup>"});
    for (const char* width : {"7.5", sessions ? "17.5" : "23.5", "13", "5.5", "8.5", "", "5.5",
                              "8.5", "10", "11.5", "6.5"}) {
        if (*width != '\0') p.Put({"<col style=\"width:", width, "%\">"});
        else if (sessions) p.out += "<col style=\"width:6%\">";
    }
    p.out += "</colgroup>\n<thead><tr>";
    for (Say s : {Say::kAddress, Say::kLabel, Say::kType, Say::kFireLines, Say::kFirstFire,
                  Say::kSession, Say::kFaultLines, Say::kRestored, Say::kResult, Say::kRemark,
                  Say::kCheckedInHost})
        if (s != Say::kSession || sessions) p.Cell("th", s);
    p.out += "</tr></thead>\n<tbody>\n";
    const bool groups = r.channels.size() > 1;
    int channel = -1;
    for (const DeviceRow& row : r.rows) {
        if (groups && row.channel != channel) {
            channel = row.channel;
            p.Put({"<tr class=\"group\"><th colspan=\"", sessions ? "11" : "10", "\">",
                   p.T(Say::kChannel), " ", std::to_string(channel), "</th></tr>\n"});
        }
        const bool pass = Passed(row);
        p.out += "<tr><td>";
        p.Ltr(row.address);
        p.out += "</td><td>";
        p.Iso(row.label);
        p.Put({"</td><td>", DeviceTypeIn(p.language, DeviceTypeOf(row.type, row.address)),
               "</td><td class=\"n\">", std::to_string(row.fireEvents), "</td><td>"});
        p.LtrTime(row.firstFire);
        if (sessions)
            p.Put({"</td><td class=\"n\">", row.session > 0 ? std::to_string(row.session) : ""});
        p.Put({"</td><td class=\"n\">", std::to_string(row.faultEvents), "</td><td>"});
        p.LtrTime(row.restored);
        // A pass is a pass; a failure says which.
        p.Put({"</td><td class=\"res ", pass ? "pass" : "fail", "\"><b>",
               p.T(pass ? Say::kPass : Say::kFail), "</b>",
               pass ? "" : ResultIn(p.language, row.result), "</td><td>"});
        p.Iso(row.remark);
        p.out += "</td><td class=\"box\"><span class=\"tick\"></span></td></tr>\n";
    }
    p.out += "</tbody></table>\n";
}

void Deficiencies(Page& p) {
    const WalkRecord& r = p.record;
    p.Put({"<h2>", p.T(Say::kDeficiencies), "</h2>\n<ul class=\"defects\">\n"});
    const size_t before = p.out.size();
    for (const DeviceRow& row : r.rows) {
        if (Passed(row)) continue;
        p.out += "<li>";
        p.Ltr(row.address);
        if (!row.label.empty()) {
            p.out += " ";
            p.Iso(row.label);
        }
        p.Put({": <b>", ResultIn(p.language, row.result), "</b>"});
        if (!row.remark.empty()) {
            p.out += " — ";
            p.Iso(row.remark);
        }
        p.out += "</li>\n";
    }
    for (const ChannelRun& run : r.channels) {
        for (const LinkLoss& loss : run.linkLosses) {
            p.out += "<li>";
            p.Fill(loss.stillLost ? Say::kLinkStillLost : Say::kLinkLost,
                   {std::to_string(run.channel), LtrHtml(p.Time(loss.from)), LtrHtml(p.Time(loss.to)),
                    DurationIn(p.language, DurationMs(loss.from, loss.to))});
            p.out += "</li>\n";
        }
    }
    for (const WalkSession& s : r.sessions) {
        if (s.endedNormally) continue;
        p.out += "<li>";
        p.Fill(Say::kSessionNotEnded, {std::to_string(s.number), LtrHtml(s.start.substr(0, 19))});
        p.out += "</li>\n";
    }
    if (r.journalCutOff > 0) p.Put({"<li>", p.T(Say::kCutOff), "</li>\n"});
    if (const int out = r.journalUnreadable + r.journalRowsSkipped; out > 0)
        p.Put({"<li>", TallyText(p.language, Tally::kRowsLeftOut, out), "</li>\n"});
    if (p.out.size() == before) p.Put({"<li>", p.T(Say::kNoDeficiency), "</li>\n"});
    p.out += "</ul>\n";
    if (r.remarks.empty()) return;
    p.Put({"<h3>", p.T(Say::kRemarks), "</h3>\n<ul class=\"defects\">\n"});
    for (const Remark& remark : r.remarks) {
        p.out += "<li>";
        p.LtrTime(remark.time);
        p.out += " ";
        p.Ltr(remark.address);
        if (!remark.label.empty()) {
            p.out += " ";
            p.Iso(remark.label);
        }
        if (!remark.device) p.Put({" (", p.T(Say::kNotADevice), ")"});
        p.out += ": ";
        p.Iso(remark.text);
        p.out += "</li>\n";
    }
    p.out += "</ul>\n";
}

void StatusHistory(Page& p) {
    const WalkRecord& r = p.record;
    p.Put({"<h2>", p.T(Say::kStatusHistory), "</h2>\n"});
    size_t changes = 0;
    for (const ChannelRun& run : r.channels) changes += run.status.size();
    if (changes == 0) {
        p.Put({"<p>", p.T(Say::kNoStatus), "</p>\n"});
    } else {
        p.out += "<table>\n<thead><tr>";
        for (Say s : {Say::kTime, Say::kChannel, Say::kStatusWord, Say::kChange, Say::kMeaning})
            p.Cell("th", s);
        p.out += "</tr></thead>\n<tbody>\n";
        for (const ChannelRun& run : r.channels) {
            for (const StatusChange& s : run.status) {
                p.out += "<tr><td>";
                p.LtrTime(s.time);
                p.Put({"</td><td>", std::to_string(run.channel), "</td><td>"});
                p.Ltr(s.address);
                p.out += "</td><td>";
                p.Ltr(s.oldValue + " → " + s.newValue);
                p.Put({"</td><td>", StatusMeaningIn(p.language, s), "</td></tr>\n"});
            }
        }
        p.out += "</tbody></table>\n";
    }
    bool any = false;
    for (const ChannelRun& run : r.channels) any = any || !run.portAndCommands.empty();
    if (!any) return;
    p.Put({"<h3>", p.T(Say::kPortAndConsole), "</h3>\n<ul>\n"});
    for (const ChannelRun& run : r.channels) {
        for (const JournalRow& row : run.portAndCommands) {
            p.out += "<li>";
            p.LtrTime(row.time);
            p.Put({" ", p.T(Say::kChannel), " ", std::to_string(run.channel), ": "});
            p.Iso(row.text);
            p.out += "</li>\n";
        }
    }
    p.out += "</ul>\n";
}

void Signatures(Page& p) {
    const WalkRecord& r = p.record;
    p.Put({"<section class=\"signatures\">\n<h2>", p.T(Say::kSignatures), "</h2>\n"});
    const struct {
        Say who;
        std::string name, company, licence;
    } blocks[] = {
        {Say::kTestedBy, Identity(r, "engineer"), Identity(r, "company"), Identity(r, "licence")},
        {Say::kWitnessedBy, Identity(r, "witness"), "", ""},
        {Say::kOwnerRepresentative, Identity(r, "owner"), "", ""},
    };
    for (const auto& b : blocks) {
        p.Put({"<table class=\"facts\"><thead><tr><th colspan=\"2\">", p.T(b.who),
               "</th></tr></thead>\n"});
        const std::pair<Say, const std::string*> fields[] = {
            {Say::kName, &b.name}, {Say::kCompany, &b.company}, {Say::kLicence, &b.licence},
            {Say::kSignature, nullptr}, {Say::kDate, nullptr}};
        for (const auto& [field, value] : fields) {
            p.Put({"<tr><th>", p.T(field), "</th><td>"});
            if (value) p.Iso(*value);
            p.out += "</td></tr>\n";
        }
        p.out += "</table>\n";
    }
    p.out += "</section>\n";
}

}  // namespace

std::string WalkRecordHtml(const WalkRecord& record, const HtmlOptions& options) {
    Page p{record, options.language, {}};
    p.out.reserve(8192 + record.rows.size() * 480);
    const std::string first = record.sessions.empty() ? "" : record.sessions.front().start;
    for (const WalkSession& s : record.sessions)
        p.oneDay = p.oneDay && s.end.compare(0, 10, first, 0, 10) == 0;
    const std::string premises = Identity(record, "premises");
    const std::string title =
        std::string(p.T(Say::kTitle)) + (premises.empty() ? "" : " — " + premises);
    const bool he = options.language == Language::kHebrew;
    p.Put({"<!DOCTYPE html>\n<html lang=\"", LanguageCode(options.language), "\" dir=\"",
           he ? "rtl" : "ltr", "\">\n<head>\n<meta charset=\"utf-8\">\n"});
    if (options.live) p.out += "<meta http-equiv=\"refresh\" content=\"5\">\n";
    p.out += "<title>";
    p.Esc(title);
    p.Put({"</title>\n<style>\n", WalkRecordStyle(options.language, title),
           "</style>\n</head>\n<body>\n<h1>", p.T(Say::kTitle), "</h1>\n<p class=\"sub\">",
           p.T(Say::kSubtitle), "</p>\n"});
    if (options.live) p.Put({"<p class=\"live\">", p.T(Say::kLive), "</p>\n"});
    if (record.journalRowsSkipped > 0)
        p.Put({"<p class=\"warn\">",
               TallyText(options.language, Tally::kRowsSkipped, record.journalRowsSkipped),
               "</p>\n"});
    IdentitySection(p);
    SessionsSection(p);
    VerdictSection(p);
    DeviceTable(p);
    Deficiencies(p);
    StatusHistory(p);
    p.Put({"<h2>", p.T(Say::kProvesTitle), "</h2>\n<p>", p.T(Say::kProves), "</p>\n"});
    Signatures(p);
    p.Put({"<p class=\"foot\">", p.T(Say::kWrittenBy), "</p>\n</body>\n</html>\n"});
    return std::move(p.out);
}

}  // namespace zidtools
