// The commissioning records: the session journal (CSV, cut-off runs), the
// walk-test report built from it, and captures that replay as scenarios.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tools/common/capture.h"
#include "tools/common/event_names.h"
#include "tools/common/files.h"
#include "tools/common/journal_writer.h"
#include "tools/common/line_composer.h"
#include "tools/common/local_time.h"
#include "tools/common/scenario.h"
#include "tools/common/text_file.h"
#include "tools/common/walk_html.h"
#include "tools/common/walk_report.h"

namespace {

using namespace zidtools;

std::string T(int second) {  // a journal time, seconds into a minute
    char text[32];
    std::snprintf(text, sizeof text, "2026-03-01 10:%02d:%02d.250", second / 60, second % 60);
    return text;
}

TEST(Journal, CsvRoundTripOfAwkwardFields) {
    const std::vector<std::string> fields = {
        "plain", "", "a,b", "say \"hi\"", "two\r\nlines", "cr\ronly", "lf\nonly", " blanks ",
        "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D, \"\xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D\"", "\"", ",",
    };
    std::string text = JournalHeader();
    for (size_t i = 0; i < fields.size(); ++i)
        text += FormatJournalRow({T(1), static_cast<int>(i), "command", fields[i], fields[i], "", "",
                                  fields[(i + 1) % fields.size()]});
    const Outcome<ParsedJournal> read = ParseJournal(text);
    ASSERT_TRUE(read) << read.Error();
    const ParsedJournal& parsed = *read;
    ASSERT_EQ(parsed.rows.size(), fields.size());
    EXPECT_EQ(parsed.cutOff + parsed.unreadable, 0);
    EXPECT_EQ(parsed.completeBytes, text.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(parsed.rows[i].channel, static_cast<int>(i));
        EXPECT_EQ(parsed.rows[i].address, fields[i]);
        EXPECT_EQ(parsed.rows[i].label, fields[i]);
        EXPECT_EQ(parsed.rows[i].text, fields[(i + 1) % fields.size()]);
    }
    EXPECT_EQ(FormatJournalRow({"t", 2, "gate", "a,b", "say \"hi\"", "0x0000", "0x0001", ""}),
              "t,2,gate,\"a,b\",\"say \"\"hi\"\"\",0x0000,0x0001,\r\n");
}

TEST(Journal, CutOffRunsAndBadHeaders) {
    const std::string head = JournalHeader() + FormatJournalRow({T(1), 1, "line", "", "", "", "", "x"});
    struct Case {
        std::string text;
        size_t rows;
        int cutOff, unreadable;
        bool error;
    };
    const Case cases[] = {
        {head, 1, 0, 0, false},
        {head + "2026-03-01 10:00:02.0", 1, 1, 0, false},              // mid-field
        {head + T(2) + ",1,line,,,,,\"open, \"\"quoted\r\n", 1, 1, 0, false},  // quote left open
        {head + T(2) + ",1,line,,,,,done\r", 1, 1, 0, false},          // between CR and LF
        {head + T(2) + ",1,line,,,,\r\n" + T(3) + ",x,line,,,,,\r\n\r\n", 1, 0, 2, false},
        {head + T(2) + ",1,stop,,,,,\n", 2, 0, 0, false},             // a bare LF ends a row
        {"\xEF\xBB\xBF" + head, 1, 0, 0, false},
        {"", 0, 0, 0, true},
        {"time,channel,kind\r\n", 0, 0, 0, true},
        {"time,channel,kind,addr", 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const Outcome<ParsedJournal> p = ParseJournal(c.text);
        ASSERT_EQ(!p, c.error);
        if (c.error) continue;
        EXPECT_EQ(p->rows.size(), c.rows);
        EXPECT_EQ(p->cutOff, c.cutOff);
        EXPECT_EQ(p->unreadable, c.unreadable);
        if (c.cutOff) {
            EXPECT_EQ(p->completeBytes, head.size());
        }
    }
}

TEST(Journal, TimesWordsAndStartFacts) {
    const auto now = std::chrono::system_clock::now();
    const std::optional<long long> a = ParseLocalTime(FormatLocalTime(now));
    const std::optional<long long> b =
        ParseLocalTime(FormatLocalTime(now + std::chrono::milliseconds(61234)));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*b - *a, 61234);
    EXPECT_EQ(ParseLocalTime("2024-03-01 00:00:00.000").value_or(0) -
                  ParseLocalTime("2024-02-28 00:00:00.000").value_or(0),
              2 * 86400000LL) << "a leap year's February";
    for (const char* bad : {"2026-03-01 10:00:00", "2026-13-01 10:00:00.000", "2026-03-01T10:00:00.000",
                            "2026-02-30 10:00:00.000"})
        EXPECT_FALSE(ParseLocalTime(bad)) << bad;

    const StartFacts facts = {{"port", "\\\\.\\COM12"}, {"site", "Block A; west=1"}, {"operator", ""}};
    EXPECT_EQ(ParseStartText(StartText(facts)), facts);
    EXPECT_EQ(FactOf(ParseStartText("port=COM3; settings=9600 8N1"), "settings"), "9600 8N1");

    // Every line the composer makes is named by the driver's own recognition.
    for (int e = 0; e < zid::kPanelEventCount; ++e) {
        zid::PanelLineFields f{static_cast<zid::PanelEvent>(e), 3, 12, 5};
        f.endMarker = f.event == zid::PanelEvent::FaultLineEnd;
        char line[128];
        ASSERT_GT(zid::ComposePanelLine(f, line, sizeof line), 0u);
        const char* words = LineEventWords(line);
        ASSERT_NE(words, nullptr) << e;
        EXPECT_STREQ(words, NamesOf(f.event).words);
        EXPECT_EQ(EventOfWords(words), f.event);
        EXPECT_EQ(EventOfCommand(NamesOf(f.event).command), f.event);
    }
    EXPECT_EQ(LineEventWords("A line with no event word at all, just some text"), nullptr);
    using zid::PanelEvent;
    EXPECT_TRUE(IsFireEvent(PanelEvent::FireZone) && IsFaultStart(PanelEvent::FaultLine));
    EXPECT_FALSE(IsFaultStart(PanelEvent::FaultLineEnd) || IsFireEvent(PanelEvent::PowerFault) ||
                 IsFaultStart(PanelEvent::PowerFault));
}

// A site journal: channel 1 walked through, channel 2 killed mid-run.
std::vector<JournalRow> SiteJournal() {
    struct R {
        int second, channel;
        const char *kind, *address, *oldValue, *newValue, *text;
    };
    const R script[] = {
        {0, 1, "start", "", "", "", "port=COM3; settings=9600 8N1; site=Ward, \"B\"; operator=Dana"},
        {0, 1, "tag", "000001", "", "0x0000", "Lobby, smoke"}, {0, 1, "tag", "000002", "", "0x0000", ""},
        {0, 1, "tag", "000003", "", "0x0000", ""}, {0, 1, "tag", "000004", "", "0x0000", ""},
        {0, 1, "tag", "000005", "", "0x0000", ""}, {0, 1, "tag", "000001", "", "0x0000", "twice"},
        {0, 1, "tag", "!T", "", "0x0000", ""},
        {1, 1, "status", "!T", "0", "1", ""},
        {2, 1, "gate", "000001", "0x0000", "0x0001", ""}, {3, 1, "gate", "000001", "0x0001", "0x0000", ""},
        {4, 1, "gate", "000001", "0x0000", "0x0001", ""}, {5, 1, "gate", "000001", "0x0001", "0x0000", ""},
        {6, 1, "gate", "000002", "0x0000", "0x0001", ""},
        {7, 1, "gate", "000003", "0x0000", "0x0002", ""}, {8, 1, "gate", "000003", "0x0002", "0x0000", ""},
        {9, 1, "gate", "000005", "0x0000", "0x0001", ""}, {10, 1, "gate", "000005", "0x0001", "0x0003", ""},
        {11, 1, "gate", "000005", "0x0003", "0x0000", ""},
        {12, 1, "unknown-gate", "110000", "", "", "fire (line)"},
        {13, 1, "unknown-gate", "110000", "", "", "fault (line)"},
        {14, 1, "unknown-gate", "110000", "", "", "end of fault (line)"},
        {15, 1, "unknown-gate", "000009", "", "", "fault (zone)"},
        {16, 1, "unknown-gate", "110000", "", "", "fire (line)"},
        {17, 1, "line", "", "", "", "x"}, {18, 1, "no-event", "", "", "", "y"},
        {19, 1, "refused-line", "", "", "", ""}, {20, 1, "line", "", "", "", "z"},
        {21, 1, "stop", "", "", "", ""},
        // A second session (--continue): rows as 1.2.0 writes them, each fire
        // and fault-start line with its event, also where the bit is set.
        {22, 1, "start", "", "", "", "port=COM3; session=B; operator=Yossi; record premises=A </style>"},
        {22, 1, "tag", "000006", "", "0x0000", "registered; type=smoke"},
        {23, 1, "gate", "000006", "0x0000", "0x0001", "fire (zone): fire on"},
        {24, 1, "gate", "000006", "0x0001", "0x0001", "fire (zone): no change"},
        {24, 1, "status", "!C", "0", "1", ""}, {26, 1, "status", "!C", "1", "0", ""},
        {25, 1, "gate", "000006", "0x0001", "0x0003", "fault (zone): fault on"},
        {26, 1, "gate", "000006", "0x0003", "0x0001", "end of fault (zone): fault off"},
        {26, 1, "gate", "000006", "0x0001", "0x0000", "reset: fire off"},
        {27, 1, "remark", "000004", "", "", "head missing"}, {27, 1, "remark", "110000", "", "", "lift"},
        {27, 1, "remark", "000077", "", "", "<b>&"}, {27, 1, "status", "!C", "0", "1", ""},
        {28, 1, "stop", "", "", "", ""},
        {30, 2, "start", "", "", "", "port=COM4; session=B"}, {30, 2, "tag", "000001", "", "0x0000", ""},
        {95, 2, "gate", "000001", "0x0000", "0x0001", ""}, {96, 2, "gate", "000001", "0x0001", "0x0000", ""},
    };
    std::vector<JournalRow> rows;
    for (const R& r : script) {
        JournalRow row{T(r.second), r.channel, r.kind, r.address, "", r.oldValue, r.newValue, r.text};
        if (row.kind == "tag" && row.text.rfind("registered", 0) != 0) std::swap(row.label, row.text);
        rows.push_back(row);
    }
    rows[2].label = "<b>&";  // 000002
    return rows;
}

TEST(WalkRecord, ResultsCountsAndTimesPerChannel) {
    const WalkRecord test = BuildWalkRecord(SiteJournal());
    struct Expected {
        int channel;
        const char* address;
        int fire;
        int firstFire;  // second, -1: empty
        int fault, firstFault, restored;
        const char* result;
        int session;
        const char *type, *remark;
    };
    const Expected expected[] = {
        {1, "000001", 2, 2, 0, -1, 5, "tested", 1, "", ""},
        {1, "000002", 1, 6, 0, -1, -1, "not restored", 1, "", ""},
        {1, "000003", 0, -1, 1, 7, 8, "fault only", 1, "", ""},
        {1, "000004", 0, -1, 0, -1, -1, "not tested", 0, "", "head missing"},
        {1, "000005", 1, 9, 1, 10, 11, "tested", 1, "", ""},
        // Two fire lines of a zone: 2, though its bit rose once; the end of
        // a fault is no fault line.
        {1, "000006", 2, 23, 1, 25, 26, "tested", 2, "smoke", ""},
        {1, "110000", 2, 12, 1, 13, -1, "unregistered", 1, "", "lift"},
        {1, "000009", 0, -1, 1, 15, -1, "unregistered", 1, "", ""},
        {2, "000001", 1, 95, 0, -1, 96, "tested", 2, "", ""},
    };
    auto time = [](int s) { return s < 0 ? std::string() : T(s); };
    ASSERT_EQ(test.rows.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const Expected& e = expected[i];
        const DeviceRow& r = test.rows[i];
        SCOPED_TRACE(e.address);
        EXPECT_EQ(r.channel, e.channel);
        EXPECT_EQ(r.address, e.address);
        EXPECT_EQ(r.fireEvents, e.fire);
        EXPECT_EQ(r.firstFire, time(e.firstFire));
        EXPECT_EQ(r.faultEvents, e.fault);
        EXPECT_EQ(r.firstFault, time(e.firstFault));
        EXPECT_EQ(r.restored, time(e.restored));
        EXPECT_EQ(r.result, e.result);
        EXPECT_EQ(r.session, e.session);
        EXPECT_EQ(r.type, e.type);
        EXPECT_EQ(r.remark, e.remark);
    }
    EXPECT_EQ(test.rows[0].label, "Lobby, smoke");
    ASSERT_EQ(test.channels.size(), 2u);
    EXPECT_EQ(test.channels[0].linesRead, 3);
    EXPECT_EQ(test.channels[0].linesNoEvent, 1);
    EXPECT_EQ(test.channels[0].linesRejected, 1);
    EXPECT_EQ(test.channels[0].runsNotEnded, 0);
    EXPECT_EQ(test.channels[1].runsNotEnded, 1);
    EXPECT_EQ(test.channels[1].end, T(96));
    // The link lost and back, then lost until the run's stop.
    ASSERT_EQ(test.channels[0].linkLosses.size(), 2u);
    EXPECT_EQ(test.channels[0].linkLosses[0].to, T(26));
    EXPECT_FALSE(test.channels[0].linkLosses[0].stillLost);
    EXPECT_EQ(test.channels[0].linkLosses[1].to, T(28));
    EXPECT_TRUE(test.channels[0].linkLosses[1].stillLost);
    // Sessions: the 1.1.0 rows without a mark, then both channels of run B.
    ASSERT_EQ(test.sessions.size(), 2u);
    EXPECT_EQ(test.sessions[0].operatorName, "Dana");
    EXPECT_TRUE(test.sessions[0].endedNormally);
    EXPECT_EQ(test.sessions[1].channels, (std::vector<int>{1, 2}));
    EXPECT_EQ(test.sessions[1].end, T(96));
    EXPECT_FALSE(test.sessions[1].endedNormally);
    ASSERT_EQ(test.remarks.size(), 3u);
    EXPECT_FALSE(test.remarks[2].device);
    EXPECT_EQ(test.identity.at("premises"), "A </style>");
    EXPECT_FALSE(IsClean(test));

    EXPECT_EQ(Verdict(test), "4 of 7 devices tested; 1 not restored; 1 with a fault only; 1 not tested; "
                             "2 addresses reported by the panel are not registered; "
                             "the link to the panel was lost 2 times; the run did not end normally");
    const std::string csvHead =
        "\xEF\xBB\xBF"
        "channel,address,label,fire_events,first_fire,fault_events,first_fault,restored,result,"
        "device_type,first_session,remark\r\n"
        "1,000001,\"Lobby, smoke\",2," + T(2) + ",0,," + T(5) + ",tested,zone,1,\r\n";
    EXPECT_EQ(WalkReportCsv(test).substr(0, csvHead.size()), csvHead);
    const std::string md = WalkReportMarkdown(test);
    for (const std::string& want :
         {std::string("Site: Ward, \"B\""), std::string("Operator: Dana"), std::string("**NOT TESTED**"),
          std::string("**NOT RESTORED**"), std::string("run did not end normally"),
          T(1) + "  !T 0 → 1  test mode on", std::string("| Lines read | 3, of which 1 carried no event |"),
          std::string("| Duration | 1 min 06 s |"), std::string("Witnessed by:"),
          std::string("| 000006 |  | smoke | 2 |"), std::string("head missing |")})
        EXPECT_NE(md.find(want), std::string::npos) << want << "\n" << md;

    // The printed record: text from the journal escaped, the page laid out
    // in its language, the live page alone reloading.
    struct Page {
        Language language;
        bool live;
        std::vector<std::string> wants;
    };
    const Page pages[] = {
        {Language::kEnglish, false,
         {"lang=\"en\" dir=\"ltr\"", "<bdi>&lt;b&gt;&amp;</bdi>", "NOT PASSED",
          "the link to the panel was lost 2 times", "was still lost when the run ended",
          "Session 2, started", "(not a device of this record)", "Checked in host",
          "counter(page)", "display: table-header-group", "\"Fire detection walk\\2D test record — A \\3C \\2F style\\3E \""}},
        {Language::kHebrew, true,
         {"lang=\"he\" dir=\"rtl\"", "<meta http-equiv=\"refresh\"", "דוח בדיקת מערכת גילוי אש",
          "נבדק במערכת הבקרה", "הקשר עם הרכזת אבד 2 פעמים", "<span class=\"ltr\">000006</span>"}},
    };
    for (const Page& page : pages) {
        const std::string html = WalkRecordHtml(test, {page.language, page.live});
        for (const std::string& want : page.wants)
            EXPECT_NE(html.find(want), std::string::npos) << want;
        EXPECT_EQ(html.find("<b>&"), std::string::npos) << "a label or remark unescaped";
        EXPECT_EQ(html.find("</style>"), html.rfind("</style>")) << "the premises closed the style";
        EXPECT_EQ(html.find("http-equiv") != std::string::npos, page.live);
        size_t boxes = 0;
        for (size_t at = 0; (at = html.find("class=\"tick\"", at)) != std::string::npos; ++at) ++boxes;
        EXPECT_EQ(boxes, test.rows.size());
    }
}

TEST(WalkRecord, VerdictWording) {
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{"tested", "tested", "tested"}, "all 3 devices tested"},
        {{"tested"}, "the one device tested"},
        {{}, "no devices registered"},
        {{"not tested"}, "0 of 1 device tested; 1 not tested"},
        {{"tested", "unregistered"}, "the one device tested; 1 address reported by the panel is not registered"},
        {{"not restored", "tested", "tested"}, "2 of 3 devices tested; 1 not restored"},
    };
    for (const auto& [results, verdict] : cases) {
        WalkRecord test;
        for (const char* r : results) {
            DeviceRow row;
            row.result = r;
            test.rows.push_back(row);
        }
        EXPECT_EQ(Verdict(test), verdict);
    }
}

TEST(WalkRecord, RebuildFromAJournalAKilledRunLeft) {
    const std::string dir = (std::filesystem::temp_directory_path() /
                             ("zid-walk-test-" + std::to_string(std::chrono::steady_clock::now()
                                                                    .time_since_epoch().count())))
                                .string();
    std::filesystem::remove_all(dir);
    {
        JournalWriter writer;
        const Status opened = writer.Open(dir);
        ASSERT_TRUE(opened) << opened.Error();
        for (const JournalRow& row : SiteJournal()) ASSERT_TRUE(writer.Append(row));
    }
    const Outcome<std::string> text = ReadFileBytes(PathIn(dir, kJournalFileName));
    ASSERT_TRUE(text);
    ASSERT_TRUE(WriteFileBytes(PathIn(dir, kJournalFileName), *text + T(97) + ",2,line,,,,,\"cut"));
    const Outcome<RebuiltReport> rebuilt =
        RebuildReport(dir, {Language::kHebrew, {{"premises", "Beit Hadar"}}});
    ASSERT_TRUE(rebuilt) << rebuilt.Error();
    EXPECT_EQ(rebuilt->verdict, Verdict(BuildWalkRecord(SiteJournal())));
    EXPECT_TRUE(rebuilt->skipped.empty()) << "a cut last row is no damage: " << rebuilt->skipped[0].why;
    const Outcome<std::string> md = ReadFileBytes(PathIn(dir, kWalkReportMarkdownName));
    ASSERT_TRUE(md);
    EXPECT_NE(md->find("last row was cut off"), std::string::npos);
    // The record too, in the language asked for, --record over the journal.
    const std::string html = ReadFileBytes(PathIn(dir, kWalkRecordHtmlName)).value_or("");
    EXPECT_NE(html.find("dir=\"rtl\""), std::string::npos);
    EXPECT_NE(html.find("<bdi>Beit Hadar</bdi>"), std::string::npos);
    EXPECT_NE(html.find("השורה האחרונה ביומן נקטעה"), std::string::npos);
    // While a run lasts the page reloads itself; the final one written above does not.
    EXPECT_EQ(html.find("http-equiv"), std::string::npos);
    ASSERT_TRUE(WriteLiveRecord(dir, SiteJournal(), {}));
    EXPECT_NE(ReadFileBytes(PathIn(dir, kWalkRecordHtmlName)).value_or("").find("http-equiv"),
              std::string::npos);

    // A second run appends to the same journal after the cut row is gone.
    JournalWriter again;
    ASSERT_TRUE(again.Open(dir));
    ASSERT_TRUE(again.Append({T(98), 2, "stop", "", "", "", "", ""}));
    again.Close();
    const Outcome<ParsedJournal> parsed = ParseJournal(*ReadFileBytes(PathIn(dir, kJournalFileName)));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->rows.size(), SiteJournal().size() + 1);
    EXPECT_EQ(parsed->cutOff, 0);
    EXPECT_FALSE(RebuildReport(dir + "/none"));
    std::filesystem::remove_all(dir);
}

TEST(Capture, EntriesReplayAsScenarios) {
    struct Case {
        long wait;
        std::string line;
        bool refused;
        long waited;  // the sum of the wait commands
    };
    const Case cases[] = {
        {0, "12:00:01 \x85\x97 :\x99\x80 03 12", false, 0},
        {250, std::string("a # b\x01\xFF", 7), false, 250},
        {1500000, "x", false, 1500000},
        {40, "", true, 40},
        {-5, "y", false, 0},
    };
    std::vector<PanelCommand> commands;
    // Parses a capture's lines as zidpanel reads a scenario.
    auto parse = [&](const std::string& text) {
        const Outcome<std::vector<TextLine>> lines = SplitTextLines(text, "capture");
        ASSERT_TRUE(lines);
        for (const TextLine& l : *lines) {
            const Outcome<std::optional<PanelCommand>> command = ParseCommand(l.text);
            ASSERT_TRUE(command) << l.text;
            if (*command) commands.push_back(**command);
        }
    };
    parse(CaptureHeader(T(0), "COM3", "9600 8N1"));
    EXPECT_TRUE(commands.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        commands.clear();
        parse(CaptureEntry(T(1), c.wait, c.line, c.refused));
        long waited = 0;
        std::vector<std::string> sent;
        for (const PanelCommand& p : commands) {
            if (p.kind == PanelCommand::kWait) waited += p.milliseconds;
            if (p.kind == PanelCommand::kRaw) sent.push_back(p.bytes);
        }
        EXPECT_EQ(waited, c.waited);
        EXPECT_EQ(sent, c.refused ? std::vector<std::string>{} : std::vector<std::string>{c.line + '\0'});
    }

    const std::pair<const char*, double> speeds[] = {
        {"1", 1},     {"0", 0},        {"2.5", 2.5},  {"-1", -1}, {"fast", -1}, {"", -1},   {"1x", -1},
        {"nan", -1},  {"1e-300", -1}, {"0.001", -1}, {"0x10", -1}, {" 2", -1},  {"1001", -1}, {"0.01", 0.01}};
    for (const auto& [text, speed] : speeds) {
        double parsed = -1;
        EXPECT_EQ(ParseReplaySpeed(text, parsed), speed >= 0) << text;
        EXPECT_EQ(parsed, speed) << text;
    }
    EXPECT_EQ(ScaledWait(1000, 2), 500);
    EXPECT_EQ(ScaledWait(1000, 0.5), 2000);
    EXPECT_EQ(ScaledWait(1000, 0), 0);
}

}  // namespace
