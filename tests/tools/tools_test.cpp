// The tools' portable parts: readable panel lines, tag files, panel commands
// and the model of what the driver makes of them. The model is checked
// against the real decoder and the stand-in host, so the demo's expectation
// and the driver cannot drift apart unnoticed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "panel/decoder.h"
#include "panel/framing.h"
#include "standin/qelmar_sim.h"
#include "tools/common/driver_log_reader.h"
#include "tools/common/panel_model.h"
#include "tools/common/files.h"
#include "tools/common/readable.h"
#include "tools/common/scenario.h"
#include "tools/common/device_type.h"
#include "tools/common/record_identity.h"
#include "tools/common/site_file.h"
#include "tools/common/tag_file.h"
#include "tools/common/text_encoding.h"
#include "tools/zidhost/package_check.h"
#include "tools/zidhost/reopen_schedule.h"

#ifdef _WIN32
#include <windows.h>

#include "driver/version.h"
#include "tools/common/file_facts.h"
#endif

namespace {

using zidtools::PanelCommand;

TEST(Readable, HebrewRunsInLogicalOrderDigitsLeftToRight) {
    struct Case {
        const char* line;  // code page 862, visual order
        const char* shown;  // UTF-8, logical order
    };
    const Case cases[] = {
        {"ABC 12", "ABC 12"},
        // "fire: line" as the panel writes it: vav qof blank colon shin alef.
        {"\x85\x97 :\x99\x80", "\xD7\x90\xD7\xA9: \xD7\xA7\xD7\x95"},
        // Digits between two Hebrew runs stay where they are.
        {"12 \x89\x80\x8C\x82 03 \x85\x97", "12 \xD7\x92\xD7\x9C\xD7\x90\xD7\x99 03 \xD7\xA7\xD7\x95"},
        // A trailing blank after a run is not part of it.
        {"\x80\x81 x", "\xD7\x91\xD7\x90 x"},
        // Alef and tav, the ends of the letter range.
        {"\x80\x9A", "\xD7\xAA\xD7\x90"},
        // Bytes that are no letters of code page 862 are shown as escapes.
        {"A\x9B\xFF\x01", "A\\x9B\\xFF\\x01"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(zidtools::ReadablePanelLine(c.line), c.shown);
    }
}

TEST(Readable, HexAndDevicePortNames) {
    EXPECT_EQ(zidtools::HexBytes(std::string("\x3E\x00\xFF", 3)), "3E 00 FF");
    const std::pair<const char*, const char*> ports[] = {
        {"COM1", "COM1"},          {"COM9", "COM9"},         {"COM10", "\\\\.\\COM10"},
        {"com21", "\\\\.\\com21"}, {"COM250", "\\\\.\\COM250"}, {"NUL", "NUL"},
        {"COMX1", "COMX1"},        {"\\\\.\\COM12", "\\\\.\\COM12"},
    };
    for (const auto& [given, opened] : ports) EXPECT_EQ(zidtools::DevicePortName(given), opened);
}

std::vector<zidtools::TagLine> Tags(const std::string& text) {
    const zidtools::Outcome<std::vector<zidtools::TagLine>> tags = zidtools::ParseTagFile(text, "t");
    EXPECT_TRUE(tags) << tags.Error();
    return tags ? *tags : std::vector<zidtools::TagLine>{};
}

TEST(TagFile, CommentsBlankLinesAndLabels) {
    const auto lines = Tags(
        "# heading\n"
        "120000\n"
        "\n"
        "   !r   # status\r\n"
        "a#b\n"
        "12 34\n"
        "\t000012\t\n");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].lineNumber, 2);
    EXPECT_EQ(lines[0].tag, "120000");
    EXPECT_EQ(lines[1].lineNumber, 4);
    EXPECT_EQ(lines[1].tag, "!r");
    EXPECT_EQ(lines[2].tag, "a#b") << "a '#' inside a word is part of it";
    EXPECT_EQ(lines[3].lineNumber, 6);
    EXPECT_EQ(lines[3].tag, "12") << "a second word is the label, not an error";
    EXPECT_EQ(lines[3].label, "34");
    EXPECT_EQ(lines[4].tag, "000012");
    EXPECT_TRUE(zidtools::LooksLikeGateTag("000012"));
    EXPECT_FALSE(zidtools::LooksLikeGateTag("!R"));

    const std::pair<const char*, const char*> labelled[] = {
        {"031200  Lobby, 2nd floor, smoke", "Lobby, 2nd floor, smoke"},
        {"031200\tStair B  \t# spare detector", "Stair B"},
        {" 031200 a#b  c ", "a#b  c"},
        {"031200 \xD7\xA7\xD7\x95\xD7\x9E\xD7\x94 2\r", "\xD7\xA7\xD7\x95\xD7\x9E\xD7\x94 2"},
        {"031200 # only a comment", ""},
        {"!T", ""},
        {"\xEF\xBB\xBF" "031200 Notepad's mark", "Notepad's mark"},
        {"031200 \"Room #12, smoke\"  # quoted", "Room #12, smoke"},
        {"031200 \xD7\xA6\xD7\x94\"\xD7\x9C # a quote inside a word", "\xD7\xA6\xD7\x94\"\xD7\x9C"},
    };
    for (const auto& [text, label] : labelled) {
        SCOPED_TRACE(text);
        const auto parsed = Tags(text);
        ASSERT_EQ(parsed.size(), 1u);
        EXPECT_EQ(parsed[0].label, label);
        EXPECT_TRUE(parsed[0].tag == "031200" || parsed[0].tag == "!T");
    }
}

// Every text file of the tools: LF, CRLF and CR-only line ends, mixed,
// with the lines numbered right, and a NUL refused with its line.
TEST(TagFile, LineEndsAndNul) {
    const auto lines = Tags("000001\r000002\r\n\r000004\n000005");
    ASSERT_EQ(lines.size(), 4u);
    const int numbers[] = {1, 2, 4, 5};
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(lines[i].lineNumber, numbers[i]);
    const auto nul = zidtools::ParseTagFile(std::string("000001\n0000\0002\n", 13), "tags.txt");
    ASSERT_FALSE(nul);
    EXPECT_EQ(nul.Error(), "tags.txt:2: a NUL byte: this is not a text file");
}

TEST(Commands, ParseGoodAndBad) {
    struct Case {
        const char* text;
        bool ok;
        int commands;
    };
    const Case cases[] = {
        {"fire-line 3 12", true, 1},  {"fire-line 3", true, 1},    {"fire-line", false, 0},
        {"fire-line 3 100", false, 0}, {"fire-zone 5 # zone", true, 1}, {"fire-zone", false, 0},
        {"fault-zone-end 99", true, 1}, {"reset", true, 1},          {"reset 1", false, 0},
        {"raw 41 42", true, 1},       {"raw 4", false, 0},          {"raw zz", false, 0},
        {"raw 3E3E", false, 0},       {"raw 4294967296", false, 0}, {"fire-zone 5# x", false, 0},
        {"wait 250", true, 1},        {"wait -1", false, 0},        {"bogus", false, 0},
        {"   ", true, 0},             {"# only a comment", true, 0}, {"help", true, 1},
        {"quit", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = zidtools::ParseCommand(c.text);
        EXPECT_EQ(static_cast<bool>(parsed), c.ok);
        EXPECT_EQ(parsed ? static_cast<int>(parsed->has_value()) : 0, c.commands);
        if (!c.ok) {
            EXPECT_FALSE(parsed.Error().empty());
        }
    }
    EXPECT_EQ((**zidtools::ParseCommand("raw 41 42 00")).bytes, std::string("AB\0", 3))
        << "no second NUL after a given one";
    EXPECT_EQ((**zidtools::ParseCommand("raw 41 42")).bytes, std::string("AB\0", 3))
        << "the line's NUL is added";
}

// Runs composed lines through the real decoder with the stand-in host and
// checks that the model predicts every gate and status word.
struct ModelAgainstDecoder : ::testing::Test {
    std::unique_ptr<zid::ChannelContext> ctx = std::make_unique<zid::ChannelContext>();
    std::vector<std::string> gates = {"031200", "000005", "020700", "000009", "010200", "000012"};

    // The driver's log lines, as it wrote them.
    std::vector<std::string> logged;
    // The wire the framing reads a line from.
    static inline std::string wire;
    static inline size_t wireAt = 0;
    static bool ReadWire(zid::ChannelContext*, uint8_t* buffer, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            if (wireAt >= wire.size()) return false;
            buffer[i] = static_cast<uint8_t>(wire[wireAt++]);
        }
        return true;
    }

    void SetUp() override {
        QelSimReset();
        QelSimSetLogEcho(0);
        QelSimSetLogSink([](const char* line, void* self) {
            static_cast<ModelAgainstDecoder*>(self)->logged.push_back(line);
        }, this);
        QelSimSetTickPeriod(0);
        std::memset(ctx.get(), 0, sizeof *ctx);
        ctx->channel = 1;
        ASSERT_EQ(QelMkClient("tools test", 1, 0, &ctx->clientId), 0);
        for (const std::string& g : gates) {
            QelSimDefineGate(1, g.c_str());
            std::strcpy(ctx->addresses[ctx->count++], g.c_str());
        }
    }

    void Send(const PanelCommand& c) {
        const std::string bytes = c.kind == PanelCommand::kRaw ? c.bytes
                                                                 : zidtools::EventBytes(c.fields);
        ASSERT_FALSE(bytes.empty());
        ASSERT_EQ(bytes.back(), '\0');
        ASSERT_LE(bytes.size(), 101u);
        std::memset(ctx->message, 0, sizeof ctx->message);
        wire = bytes;
        wireAt = 0;
        ASSERT_TRUE(zid::ReadPanelLine(ctx.get(), ReadWire));
        zid::DecodePanelMessage(ctx.get());
    }
    void TearDown() override { QelSimSetLogSink(nullptr, nullptr); }
};

TEST_F(ModelAgainstDecoder, EveryEventOfTheDemoScenario) {
    const char* script[] = {
        "test-start",    "test-end",       "fire-line 3 12", "fire-zone 5",
        "fault-line 2 7", "fault-zone 9",  "power-fault",    "power-fault-end",
        "silence",       "fault-line-end 2 7", "fault-zone-end 9", "fire-line 11 40",
        "fire-line 1",   "reset",          "raw 41 42 43",   "fire-line 1 2",
        "fault-zone 12", "test-start",
    };
    zidtools::PanelModel model;
    for (const char* text : script) {
        SCOPED_TRACE(text);
        const auto command = zidtools::ParseCommand(text);
        ASSERT_TRUE(command && *command) << command.Error();
        logged.clear();
        Send(**command);
        model.Apply(**command);

        // The driver's own log lines, read back as zidhost reads them: the
        // line it read, and a gate the host does not know.
        ASSERT_FALSE(logged.empty());
        const zidtools::DriverLogLine read = zidtools::ReadDriverLog(logged[0]);
        EXPECT_EQ(read.kind, zidtools::DriverLogKind::kLineRead) << logged[0];
        EXPECT_EQ(read.detail, std::string(ctx->message));
        const std::string gate = (**command).kind == PanelCommand::kEvent
                                     ? zidtools::GateOf((**command).fields)
                                     : std::string();
        const bool known = gate.empty() || std::count(gates.begin(), gates.end(), gate) > 0;
        ASSERT_EQ(logged.size(), known ? 1u : 2u);
        if (!known) {
            const zidtools::DriverLogLine unknown = zidtools::ReadDriverLog(logged[1]);
            EXPECT_EQ(unknown.kind, zidtools::DriverLogKind::kUnknownGate) << logged[1];
            EXPECT_EQ(unknown.detail, gate);
        }

        EXPECT_EQ(ctx->status.T, model.T);
        EXPECT_EQ(ctx->status.F, model.F);
        EXPECT_EQ(ctx->status.R, model.R);
        EXPECT_EQ(ctx->status.S, model.S);
        for (const std::string& g : gates) {
            RawGateValue raw{};
            ASSERT_EQ(QelSimReadGate(1, g.c_str(), &raw), 0);
            const auto it = model.gates.find(g);
            EXPECT_EQ(raw.value, it == model.gates.end() ? 0 : it->second) << g;
        }
    }
    EXPECT_EQ(model.rawLines, 1);
    const std::string described = model.Describe();
    EXPECT_NE(described.find("gate 010200 0x0001\n"), std::string::npos) << described;
    EXPECT_NE(described.find("status T 1\n"), std::string::npos) << described;
    EXPECT_NE(described.find("history 031200 0x0001 0x0000\n"), std::string::npos) << described;
    EXPECT_NE(described.find("history 114000 0x0001 0x0000\n"), std::string::npos) << described;
    EXPECT_NE(described.find("lines 114000 1 0\n"), std::string::npos) << described;
}

TEST_F(ModelAgainstDecoder, GateOfEachEventForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"fire-line 3 12", "031200"}, {"fire-line 12", "120000"},  {"fault-line 2 40", "024000"},
        {"fault-line-end 2 40", "024000"}, {"fire-zone 7", "000007"}, {"fault-zone-end 12", "000012"},
        {"silence", ""},
    };
    for (const auto& [text, gate] : cases) {
        const auto command = zidtools::ParseCommand(text);
        ASSERT_TRUE(command && *command) << command.Error();
        EXPECT_EQ(zidtools::GateOf((**command).fields), gate) << text;
    }
}

// zidhost counts a zone's second detector by the write the driver makes
// although the bit is set already: the host must hear of it.
TEST_F(ModelAgainstDecoder, RepeatedFireLineWritesTheGateAgain) {
    std::vector<std::pair<uint16_t, uint16_t>> writes;
    QelSimSetGateSink([](uint8_t, const char* address, uint16_t before, uint16_t after, void* user) {
        if (std::string(address) == "000005")
            static_cast<std::vector<std::pair<uint16_t, uint16_t>>*>(user)->push_back({before, after});
    }, &writes);
    for (int i = 0; i < 2; ++i) Send(**zidtools::ParseCommand("fire-zone 5"));
    QelSimSetGateSink(nullptr, nullptr);
    const std::vector<std::pair<uint16_t, uint16_t>> expected = {{0, 1}, {1, 1}};
    EXPECT_EQ(writes, expected);
}

// Tag types in brackets, old files unchanged, and Windows-1255 files.
TEST(TagFile, TypesAndEncodings) {
    struct Case {
        std::string text;
        const char *label, *type;
        bool notice;
    };
    const Case cases[] = {
        {"031200 [smoke] Lobby", "Lobby", "smoke", false},
        {"031200 [Manual Call Point]  \"Room #12\"", "Room #12", "manual call point", false},
        {"000005 [\xD7\x90\xD7\x96\xD7\x95\xD7\xA8] Stair", "Stair", "zone", false},
        {"031200 [spare] Lobby", "[spare] Lobby", "", true},
        {"031200 Lobby [heat]", "Lobby [heat]", "", false},
        {"031200 [heat]", "", "heat", false},
        // "shalom" saved by an older Notepad: Windows-1255.
        {"031200 \xF9\xEC\xE5\xED \x80", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xE2\x82\xAC", "", false},
        {"031200 \xE0\x81", "\xD7\x90\xEF\xBF\xBD", "", false},  // 0x81: nothing in 1255
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = Tags(c.text);
        ASSERT_EQ(parsed.size(), 1u);
        EXPECT_EQ(parsed[0].label, c.label);
        EXPECT_EQ(parsed[0].type, c.type);
        EXPECT_EQ(!parsed[0].notice.empty(), c.notice);
    }
    const std::pair<std::string, bool> utf8[] = {
        {"plain", true}, {"\xD7\xA9", true}, {"\xF0\x9F\x94\xA5", true}, {"\xC0\xAF", false},
        {"\xED\xA0\x80", false}, {"\xD7", false}, {"\xF4\x90\x80\x80", false}, {"\xE0", false},
    };
    for (const auto& [bytes, valid] : utf8) EXPECT_EQ(zidtools::IsValidUtf8(bytes), valid) << bytes;
    EXPECT_EQ(zidtools::ValidUtf8("a\xFF\xD7\xA9"), "a\xEF\xBF\xBD\xD7\xA9");
    EXPECT_EQ(zidtools::DeviceTypeOfAddress("000012"), zidtools::DeviceType::kZone);
    EXPECT_EQ(zidtools::DeviceTypeOfAddress("120000"), zidtools::DeviceType::kLineDetector);
}

// The record's identity: the keys of [record], refused where unknown.
TEST(RecordFile, KeysSectionsAndErrors) {
    const auto good = zidtools::ParseRecordFile(
        "[channel 1]\nport = COM3\n[record]\npremises = \"Beit #2\"\nwitness =\n", "site.ini");
    ASSERT_TRUE(good) << good.Error();
    EXPECT_EQ(*good, (zidtools::RecordIdentity{{"premises", "Beit #2"}}));
    const std::pair<const char*, const char*> bad[] = {
        {"[record]\npremises = A\nowners = B\n", "r.ini:3: unknown key owners in [record]"},
        {"[record]\n[record]\n", "r.ini:2: [record] is already given at line 1"},
        {"[report]\n", "r.ini:1: unknown section [report]"},
    };
    for (const auto& [text, error] : bad) {
        const auto parsed = zidtools::ParseRecordFile(text, "r.ini");
        ASSERT_FALSE(parsed) << text;
        EXPECT_EQ(parsed.Error().rfind(error, 0), 0u) << parsed.Error();
    }
    zidtools::StartFacts facts = {{"port", "COM3"}};
    zidtools::AddRecordFacts(facts, *good);
    EXPECT_EQ(zidtools::RecordOfFacts(zidtools::ParseStartText(zidtools::StartText(facts))), *good);
    EXPECT_TRUE(zidtools::ParseSiteFile("[record]\npremises = A\n[channel 2]\nport = COM4\n", "s"));
}

#ifdef _WIN32
// FIPS 180 examples, and 'a's whose padding meets the block's edges (55
// bytes leave room for the length, 56 need a second block; digests from
// coreutils' sha256sum), through the system's SHA-256.
TEST(FileFacts, Sha256OfKnownMessages) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
    };
    for (const auto& [message, digest] : cases)
        EXPECT_EQ(zidtools::Sha256Hex(message).value_or("failed"), digest) << message.size();
}

// A million 'a's (FIPS 180), read from a file in more than one piece.
TEST(FileFacts, Sha256OfAFile) {
    const char* name = "file_facts_test.bin";
    FILE* file = std::fopen(name, "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(std::string(1000000, 'a').data(), 1, 1000000, file), 1000000u);
    std::fclose(file);
    EXPECT_EQ(zidtools::Sha256OfFile(name).value_or("failed"),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    std::remove(name);
    EXPECT_FALSE(zidtools::Sha256OfFile(name));
}

// The release number goes from the project into the driver's resource.
TEST(FileFacts, VersionResources) {
    char self[MAX_PATH];
    const std::string path(self, GetModuleFileNameA(nullptr, self, sizeof self));
    const std::string dir = path.substr(0, path.find_last_of("\\/") + 1);
    EXPECT_EQ(zidtools::FileVersionText(dir + "ZIZEZOZU.DLL"),
              ZID_VERSION_STRING " (FileVersion " ZID_VERSION_STRING
                                 ", ProductVersion " ZID_VERSION_STRING ")");
    EXPECT_EQ(zidtools::FileVersionText(self), "") << "the test program has none";
    EXPECT_EQ(zidtools::FileVersionText(dir + "NOSUCH.DLL"), "");
}
#endif

}  // namespace

// A PE image whose security directory points at a WIN_CERTIFICATE.
struct SignatureCase {
    const char* what;
    uint16_t magic;  // of the optional header: PE32 or PE32+
    uint32_t directories, offset, size, length;  // count, security entry, dwLength
    uint16_t type;
    size_t fileSize;
    uint32_t peAt;  // e_lfanew
    bool present;
};

static std::string Image(const SignatureCase& c) {
    std::string b(std::max<size_t>(c.fileSize, 0x300), '\0');
    const auto put = [&b](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    };
    const size_t directories = 0x58 + (c.magic == 0x20B ? 112 : 96);
    b[0] = 'M', b[1] = 'Z', put(0x3C, c.peAt, 4), b.replace(0x40, 4, std::string("PE\0\0", 4));
    put(0x54, static_cast<uint32_t>(directories - 0x58 + 16 * 8), 2), put(0x58, c.magic, 2);
    put(directories - 4, c.directories, 4), put(directories + 32, c.offset, 4);
    put(directories + 36, c.size, 4), put(c.offset, c.length, 4), put(c.offset + 6, c.type, 2);
    b.resize(c.fileSize);
    return b;
}

// Presence is read from the file alone; nothing outside the image is read.
TEST(PackageCheck, AuthenticodeSignaturePresence) {
    const SignatureCase cases[] = {
        {"PE32, signed", 0x10B, 16, 0x200, 0x100, 0x100, 2, 0x300, 0x40, true},
        {"PE32+, signed", 0x20B, 16, 0x200, 0x100, 0x100, 2, 0x300, 0x40, true},
        {"X.509 certificate, not PKCS#7", 0x10B, 16, 0x200, 0x100, 0x100, 1, 0x300, 0x40, false},
        {"empty directory", 0x10B, 16, 0, 0, 0, 2, 0x300, 0x40, false},
        {"directory past the end", 0x10B, 16, 0x200, 0x100, 0x100, 2, 0x280, 0x40, false},
        {"certificate longer than its directory", 0x10B, 16, 0x200, 0x100, 0x101, 2, 0x300, 0x40, false},
        {"no security entry", 0x10B, 4, 0x200, 0x100, 0x100, 2, 0x300, 0x40, false},
        {"cut before the directories", 0x10B, 16, 0x200, 0x100, 0x100, 2, 0xC0, 0x40, false},
        {"PE header far past the end", 0x10B, 16, 0x200, 0x100, 0x100, 2, 0x300, 0xFFFFFFF0, false},
    };
    for (const SignatureCase& c : cases)
        EXPECT_EQ(zidhost::HasAuthenticodeSignature(Image(c)), c.present) << c.what;
}

// SHA256SUMS as sha256sum writes it, and as damage or tampering leaves it.
TEST(PackageCheck, ChecksumLines) {
    const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    const std::string upper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    const std::tuple<std::string, int, const char*> cases[] = {
        {abc + "  sub/a.txt\n", 0, "sub/a.txt: OK"},
        {upper + " *sub/a.txt\r\n", 0, "all 1 files match"},
        {"", 8, "lists no file"},
        {abc + "  ../pkg/sub/a.txt\n", 8, "refused name ../pkg/sub/a.txt"},
        {abc + "  sub/a.txt:x\n", 8, "refused name"},
        {abc + "  sub/a\x1b.txt\n", 8, "sub/a\\x1B.txt"},
        {abc + "  sub/a.txt\nnot a sum\n", 8, "line 2: not a checksum line: not a sum"},
    };
    std::filesystem::create_directories("pkg/sub");
    ASSERT_TRUE(zidtools::WriteFileBytes("pkg/sub/a.txt", "abc"));
    for (const auto& [sums, code, line] : cases) {
        ASSERT_TRUE(zidtools::WriteFileBytes("pkg/SHA256SUMS", sums));
        std::string out;
        EXPECT_EQ(zidhost::VerifyPackage("pkg", [&](const std::string& l) { out += l + "\n"; }, {}), code) << sums;
        EXPECT_NE(out.find(line), std::string::npos) << out;
    }
    std::filesystem::remove_all("pkg");
    EXPECT_EQ(zidhost::VerifyPackage("pkg", [](const std::string&) {}, {}), 2);
}

// --reopen-every: when the tries come, from what zidhost saw of the port
// (the seconds at which each try is made, looked for every 100 ms).
TEST(ReopenSchedule, TriesBackOffAndHold) {
    enum What { kLost, kAnswers, kClose, kReopen };
    struct Case {
        const char* what;
        long every;
        std::vector<std::pair<double, What>> seen;
        std::vector<double> tries;
    };
    const Case cases[] = {
        {"doubling to a minute", 1, {{0, kLost}}, {1, 3, 7, 15, 31, 63, 123, 183}},
        {"from S", 5, {{0, kLost}}, {5, 15, 35, 75, 135, 195}},
        {"none asked", 0, {{0, kLost}}, {}},
        {"answers: no more", 1, {{0, kLost}, {4, kAnswers}}, {1, 3}},
        {"lost again: from S", 1, {{0, kLost}, {4, kAnswers}, {10, kLost}}, {1, 3, 11, 13, 17, 25, 41, 73, 133, 193}},
        {"held by close", 1, {{0, kLost}, {2, kClose}}, {1}},
        {"reopen lifts it", 1, {{0, kLost}, {2, kClose}, {50, kReopen}}, {1, 51, 53, 57, 65, 81, 113, 173}},
        {"closed while answering", 1, {{0, kClose}, {0.5, kLost}, {3, kReopen}}, {4, 6, 10, 18, 34, 66, 126, 186}},
    };
    for (const Case& c : cases) {
        zidhost::ReopenSchedule schedule(c.every);
        std::vector<double> tries;
        size_t next = 0;
        for (int64_t ms = 0; ms <= 200000; ms += 100) {
            for (; next < c.seen.size() && c.seen[next].first * 1000 <= ms; ++next) {
                const What w = c.seen[next].second;
                if (w == kLost || w == kAnswers) schedule.Seen(w == kAnswers, ms);
                else schedule.Hold(w == kClose, ms);
            }
            if (schedule.Due(ms)) tries.push_back(ms / 1000.0);
        }
        EXPECT_EQ(tries, c.tries) << c.what;
    }
}
