// A seeded mutation run of the tools' readers: 300 damaged copies each of a
// tag file, site file, scenario, journal, typed command and option value. None
// may crash (natively under ASan and UBSan), take long, or be taken when it
// breaks a rule: a NUL in a text file, a damaged journal row, a word for a number.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>

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

struct Mutation : ::testing::Test {
    std::mt19937 random{20260301};
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    const std::string dir = (std::filesystem::temp_directory_path() /
                             ("zid-mutation-" + std::to_string(start.time_since_epoch().count()))).string();
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "too slow";
    }
    size_t Pick(size_t n) { return n == 0 ? 0 : random() % n; }
    // One to four edits: a byte put in, changed or taken out, a piece repeated.
    std::string Mutate(std::string s) {
        static const char kBytes[] = {'\0', '\r', '\n', '"', '#', ',', ' ', '=', '[', '\xFF', '\xD7', '0'};
        for (size_t edits = 1 + Pick(4); edits > 0; --edits) {
            const size_t at = Pick(s.size());
            const char byte = Pick(2) ? kBytes[Pick(sizeof kBytes)] : static_cast<char>(random());
            const size_t how = Pick(4);
            if (how == 0) s.insert(at, 1, byte);
            if (how == 1 && !s.empty()) s[at] = byte;
            if (how == 2) s.erase(at, 1 + Pick(8));
            if (how == 3) s.insert(at, s.substr(at, Pick(Pick(8) == 0 ? 4000 : 40)));
        }
        return s;
    }
};

// A text file with a NUL is refused naming the NUL's line (LF, CRLF and CR
// end lines); any other failure names the file and a line too.
template <typename T>
void ExpectTextRules(const std::string& input, const Outcome<T>& read, const std::string& path) {
    const size_t nul = input.find('\0');
    int line = 1;
    for (size_t i = 0; i < std::min(nul, input.size()); ++i)
        line += input[i] == '\n' || (input[i] == '\r' && input[i + 1] != '\n');
    const std::string want = nul == std::string::npos ? "" : path + ":" + std::to_string(line) + ": a NUL byte";
    EXPECT_EQ(read.Error().substr(0, want.size()), want) << "a NUL at line " << line << " was taken";
    EXPECT_TRUE(read || read.Error().rfind(path + ":", 0) == 0) << read.Error();
}

TEST_F(Mutation, TagSiteAndScenarioFiles) {
    const std::string path = PathIn(dir, "scenario.txt");
    for (int round = 0; round < 300; ++round) {
        const std::string t = Mutate("\xEF\xBB\xBF# hall\r\n031200  Lobby, smoke\n!T\r000005 \"Room #5\"\n");
        const std::string s = Mutate("[channel 1]\nname = North\nport = COM3\r\nbaud = 9600\r[channel 2]\nport = NUL\n");
        const std::string c = Mutate("fire-line 3 12\r\nwait 10\nraw 41 42 00\rreset # end\n");
        const auto tags = ParseTagFile(t, "tags.txt");
        ExpectTextRules(t, tags, "tags.txt");
        for (const TagLine& line : tags ? *tags : std::vector<TagLine>{})
            EXPECT_EQ((line.tag + line.label).find_first_of("\r\n"), std::string::npos);
        const auto channels = ParseSiteFile(s, "site.ini");
        ExpectTextRules(s, channels, "site.ini");
        for (const ChannelConfig& channel : channels ? *channels : std::vector<ChannelConfig>{})
            EXPECT_FALSE(channel.port.empty());
        ASSERT_TRUE(WriteFileBytes(path, c));
        const auto commands = ReadScenario(path);
        ExpectTextRules(c, commands, path);
        for (const PanelCommand& command : commands ? *commands : std::vector<PanelCommand>{})
            EXPECT_TRUE(command.kind != PanelCommand::kRaw || command.bytes.back() == '\0');
    }
}

TEST_F(Mutation, Journals) {
    auto T = [](int s) { return "2026-03-01 10:00:0" + std::to_string(s) + ".000"; };
    const std::vector<JournalRow> rows = {
        {T(0), 1, "start", "", "", "", "", "port=COM3; site=North"},
        {T(1), 1, "tag", "031200", "Lobby", "", "0x0000", "registered"},
        {T(2), 1, "gate", "031200", "Lobby", "0x0000", "0x0001", "fire on"},
        {T(3), 1, "status", "!R", "", "1", "0", ""},
        {T(4), 1, "unknown-gate", "114000", "", "", "", "fire (line)"},
        {T(5), 1, "gate", "031200", "Lobby", "0x0001", "0x0000", "fire off"},
        {T(6), 1, "stop", "", "", "", "", "the run ends"},
    };
    for (int round = 0; round < 300; ++round) {
        // Odd rounds edit bytes; even ones break one row (not the start) by a rule.
        const size_t broken = round % 2 ? 0 : 1 + Pick(rows.size() - 1), rule = Pick(8);
        std::string text = JournalHeader();
        for (size_t i = 0; i < rows.size(); ++i) {
            JournalRow row = rows[i];
            if (i == broken) {
                if (rule == 0) row.time = "1970-01-01 00:00:00.000";
                if (rule == 1) row.time = "soon";
                if (rule == 2) row.kind = "bogus";
                if (rule == 3) row.channel = 77;
                if (rule == 4) row.address = "-0";
                if (rule == 5) row.text = "";  // and its comma taken out: seven fields
            }
            std::string written = FormatJournalRow(row);
            if (i == broken && rule == 5) written.erase(written.size() - 3, 1);
            if (i == broken && rule >= 6) written.insert(written.size() - 2, rule == 6 ? "\xFF" : std::string(1, '\0'));
            text += written;
        }
        if (!broken) text = Mutate(text);
        ASSERT_TRUE(WriteFileBytes(PathIn(dir, kJournalFileName), text));
        const Outcome<RebuiltReport> rebuilt = RebuildReport(dir);
        if (!rebuilt) continue;  // no journal's header
        for (const char* name : {kWalkReportCsvName, kWalkReportMarkdownName})
            EXPECT_FALSE(BadUtf8At(ReadFileBytes(PathIn(dir, name)).value_or(std::string(1, '\0')))) << text;
        const int first = rebuilt->skipped.empty() ? 0 : rebuilt->skipped[0].line;
        EXPECT_TRUE(!broken || first == int(broken) + 2) << "left out first: " << first << "\n" << text;
        const std::optional<size_t> bad = BadUtf8At(text);
        EXPECT_TRUE(!bad || *bad >= ParseJournal(text)->completeBytes || first > 0) << "taken:\n" << text;
    }
}

TEST_F(Mutation, TypedCommandsAndOptionValues) {
    const char* typed[] = {"change 2 COM5 4800 7 1 even", "close 1", "status", "purge 3", "quit"};
    const char* numeric[][2] = {{"--baud", "9600"}, {"--data-bits", "8"}, {"--timeout", "4"}, {"--channel", "2"},
                                {"--poll", "20"}, {"--tick", "50"}, {"--seconds", "60"}};
    for (int round = 0; round < 300; ++round) {
        const std::string line = Mutate(typed[Pick(std::size(typed))]);
        const Outcome<zidhost::TypedCommand> command = zidhost::ParseTypedCommand(line);
        EXPECT_LT(command ? command->port.size() : 0u, static_cast<size_t>(zid::kPortNameSize)) << line;
        // The reason is kept: a token in the message is escaped and cut.
        EXPECT_TRUE(!BadUtf8At(command.Error()) && command.Error().size() < 400) << command.Error();

        const char* const* option = numeric[Pick(std::size(numeric))];
        std::string value = Mutate(option[1]);
        value.resize(std::min(value.size(), value.find('\0')));  // as a command line holds it
        char* argv[] = {const_cast<char*>("zidhost"), const_cast<char*>(option[0]), value.data()};
        const Outcome<zidhost::Options> parsed = zidhost::ParseOptions(3, argv);
        const bool sign = !value.empty() && value[0] == '-';
        const bool number = value.size() > sign && value.find_first_not_of("0123456789", sign) == std::string::npos;
        EXPECT_TRUE(number || parsed.Error().find(option[0]) != std::string::npos) << option[0] << " took " << value;
        EXPECT_TRUE(!parsed || parsed->seconds == 0 || (parsed->seconds >= 1 && parsed->seconds <= 604800));
    }
}

}  // namespace
