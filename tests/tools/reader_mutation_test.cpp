// A seeded mutation run of the tools' readers: a few hundred damaged copies
// each of a good tag file, site file, scenario, journal, typed command and
// command line, read as the tools read them. None may crash (the native build
// runs under ASan and UBSan) or take long, and none that breaks a rule may
// be taken: a NUL in a text file, a damaged journal row, a word where a
// number is due. The seed is fixed, so a failure repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tools/common/files.h"
#include "tools/common/scenario.h"
#include "tools/common/site_file.h"
#include "tools/common/tag_file.h"
#include "tools/common/utf8_text.h"
#include "tools/common/walk_report.h"
#include "tools/zidhost/options.h"
#include "tools/zidhost/typed_commands.h"

namespace {

using namespace zidtools;
constexpr int kRounds = 300;
constexpr double kSecondsPerReader = 20;

struct Run : ::testing::Test {
    std::mt19937 random{20260301};
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    const std::string dir = (std::filesystem::temp_directory_path() /
                             ("zid-mutation-" + std::to_string(start.time_since_epoch().count())))
                                .string();
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                  kSecondsPerReader);
    }
    size_t Pick(size_t n) { return n == 0 ? 0 : random() % n; }

    // One to four edits: a byte put in, changed or taken out, a piece repeated.
    std::string Mutate(std::string s) {
        static const char kBytes[] = {'\0', '\r', '\n', '"', '#', ',', ' ', '=', '[', '\xFF', '\xD7', '0'};
        for (size_t edits = 1 + Pick(4); edits > 0; --edits) {
            const size_t at = Pick(s.size());
            const char byte = Pick(2) ? kBytes[Pick(sizeof kBytes)] : static_cast<char>(random());
            switch (Pick(4)) {
                case 0: s.insert(at, 1, byte); break;
                case 1: if (!s.empty()) s[at] = byte; break;
                case 2: s.erase(at, 1 + Pick(8)); break;
                default: s.insert(at, s.substr(at, Pick(Pick(8) == 0 ? 4000 : 40))); break;
            }
        }
        return s;
    }
};

// The line a byte is on, as every text file is read: LF, CRLF and CR end a line.
int LineOf(const std::string& s, size_t at) {
    int line = 1;
    for (size_t i = 0; i < at; ++i)
        line += s[i] == '\n' || (s[i] == '\r' && s[i + 1] != '\n');
    return line;
}

// A text file with a NUL is refused, naming the NUL's line; any other
// failure names the file and a line too.
template <typename T>
void ExpectTextRules(const std::string& input, const Outcome<T>& read, const std::string& path) {
    const size_t nul = input.find('\0');
    if (nul != std::string::npos) {
        ASSERT_FALSE(read) << "a NUL at line " << LineOf(input, nul) << " was taken";
        EXPECT_EQ(read.Error(), path + ":" + std::to_string(LineOf(input, nul)) +
                                    ": a NUL byte: this is not a text file");
    } else if (!read) {
        EXPECT_EQ(read.Error().rfind(path + ":", 0), 0u) << read.Error();
    }
}

TEST_F(Run, TagSiteAndScenarioFiles) {
    const std::string tags = "\xEF\xBB\xBF# lobby\r\n031200  Lobby, smoke\n!T\r000005 \"Room #5\"\n";
    const std::string site = "# wing\n[channel 1]\nname = North\nport = COM3\nbaud = 9600\r\n[channel 2]\nport = NUL\n";
    const std::string scenario = "fire-line 3 12\r\nwait 10\nraw 41 42 00\rreset # end\n";
    const std::string path = PathIn(dir, "scenario.txt");
    for (int round = 0; round < kRounds; ++round) {
        const std::string t = Mutate(tags), s = Mutate(site), c = Mutate(scenario);
        const auto tagLines = ParseTagFile(t, "tags.txt");
        ExpectTextRules(t, tagLines, "tags.txt");
        for (const TagLine& line : tagLines ? *tagLines : std::vector<TagLine>{})
            EXPECT_EQ((line.tag + line.label).find_first_of("\r\n"), std::string::npos);
        const auto channels = ParseSiteFile(s, "site.ini");
        ExpectTextRules(s, channels, "site.ini");
        for (const ChannelConfig& channel : channels ? *channels : std::vector<ChannelConfig>{})
            EXPECT_FALSE(channel.port.empty());
        ASSERT_TRUE(WriteFileBytes(path, c));
        const auto commands = ReadScenario(path);
        ExpectTextRules(c, commands, path);
        for (const PanelCommand& command : commands ? *commands : std::vector<PanelCommand>{})
            if (command.kind == PanelCommand::kRaw) {
                EXPECT_EQ(command.bytes.back(), '\0');
            }
    }
}

TEST_F(Run, Journals) {
    auto T = [](int s) { return "2026-03-01 10:00:" + std::string(s < 10 ? "0" : "") + std::to_string(s) + ".000"; };
    const std::vector<JournalRow> rows = {
        {T(0), 1, "start", "", "", "", "", "port=COM3; site=North"},
        {T(1), 1, "tag", "031200", "Lobby", "", "0x0000", "registered"},
        {T(2), 1, "line", "", "", "", "", "12:00:01 fire"},
        {T(3), 1, "gate", "031200", "Lobby", "0x0000", "0x0001", "fire on"},
        {T(4), 1, "status", "!R", "", "1", "0", ""},
        {T(5), 1, "unknown-gate", "114000", "", "", "", "fire (line)"},
        {T(6), 1, "gate", "031200", "Lobby", "0x0001", "0x0000", "fire off"},
        {T(7), 1, "command", "", "", "", "", "status"},
        {T(8), 1, "stop", "", "", "", "", "the run ends"},
    };
    std::string good = JournalHeader();
    for (const JournalRow& row : rows) good += FormatJournalRow(row);
    for (int round = 0; round < kRounds; ++round) {
        // Half of the rounds break one row by a rule, the others edit bytes.
        std::string text = JournalHeader();
        const size_t broken = round % 2 ? 0 : 1 + Pick(rows.size() - 1);
        for (size_t i = 0; i < rows.size(); ++i) {
            JournalRow row = rows[i];
            const size_t rule = Pick(8);
            if (i == broken && rule == 0) row.time = "1970-01-01 00:00:00.000";
            if (i == broken && rule == 1) row.time = "soon";
            if (i == broken && rule == 2) row.kind = "bogus";
            if (i == broken && rule == 3) row.channel = 77;
            if (i == broken && rule == 4) row.address = "-0";
            if (i == broken && rule == 5) row.text = "";  // and its comma taken out below
            std::string written = FormatJournalRow(row);
            if (i == broken && rule == 5) written.erase(written.size() - 3, 1);
            if (i == broken && rule >= 6) written.insert(written.size() - 2, rule == 6 ? "\xFF" : std::string(1, '\0'));
            text += written;
        }
        if (!broken) text = Mutate(good);
        ASSERT_TRUE(WriteFileBytes(PathIn(dir, kJournalFileName), text));
        const Outcome<RebuiltReport> rebuilt = RebuildReport(dir);
        if (!rebuilt) continue;  // no journal's header
        for (const char* name : {kWalkReportCsvName, kWalkReportMarkdownName})
            EXPECT_FALSE(BadUtf8At(ReadFileBytes(PathIn(dir, name)).value_or(std::string(1, '\0'))))
                << name << " of\n" << text;
        if (broken) {
            ASSERT_FALSE(rebuilt->skipped.empty()) << text;
            EXPECT_EQ(rebuilt->skipped[0].line, static_cast<int>(broken) + 2) << text;
        }
        const Outcome<ParsedJournal> parsed = ParseJournal(text);
        const std::optional<size_t> bad = BadUtf8At(text);
        if (parsed && bad && *bad < parsed->completeBytes) {
            EXPECT_FALSE(rebuilt->skipped.empty()) << "a bad byte was taken:\n" << text;
        }
    }
}

TEST_F(Run, TypedCommandsAndOptionValues) {
    const char* typed[] = {"change 2 COM5 4800 7 1 even", "close 1", "status", "purge 3", "quit"};
    for (int round = 0; round < kRounds; ++round) {
        const std::string line = Mutate(typed[Pick(std::size(typed))]);
        const Outcome<zidhost::TypedCommand> command = zidhost::ParseTypedCommand(line);
        if (command) {
            EXPECT_LT(command->port.size(), static_cast<size_t>(zid::kPortNameSize)) << line;
        } else {
            // The reason is kept: a token in the message is escaped and cut.
            EXPECT_FALSE(BadUtf8At(command.Error())) << command.Error();
            EXPECT_LT(command.Error().size(), 400u) << command.Error();
        }
    }
    const std::pair<const char*, const char*> numeric[] = {
        {"--baud", "9600"}, {"--data-bits", "8"}, {"--timeout", "4"}, {"--channel", "2"},
        {"--poll", "20"},   {"--tick", "50"},     {"--seconds", "60"}};
    for (int round = 0; round < kRounds; ++round) {
        const auto& [option, value] = numeric[Pick(std::size(numeric))];
        std::string given = Mutate(value);
        given.resize(std::min(given.size(), given.find('\0')));  // as a command line holds it
        char* argv[] = {const_cast<char*>("zidhost"), const_cast<char*>(option), given.data()};
        const Outcome<zidhost::Options> parsed = zidhost::ParseOptions(3, argv);
        const bool number = given.find_first_not_of("0123456789", given[0] == '-') == std::string::npos &&
                            given.size() > (given[0] == '-' ? 1u : 0u);
        if (!number) {
            ASSERT_FALSE(parsed) << option << " took \"" << given << "\"";
            EXPECT_NE(parsed.Error().find(option), std::string::npos) << parsed.Error();
        }
        if (parsed) {
            EXPECT_TRUE(parsed->seconds == 0 || (parsed->seconds >= 1 && parsed->seconds <= 604800));
        }
    }
}

}  // namespace
