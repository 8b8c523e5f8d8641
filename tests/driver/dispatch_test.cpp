// The entry point, its command table and the driver-information command.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/dispatch.h"
#include "driver/driver_info.h"

using namespace zid;

namespace {

// A DriverInfo inside guard bytes, to see exactly what code 14 writes.
struct GuardedInfo {
    uint8_t before[16];
    DriverInfo info;
    uint8_t after[16];
};

DriverRequest Request(int32_t command, void* context, void* argument) {
    DriverRequest r{};
    r.context = context;
    r.command = command;
    r.channel = 3;
    r.argument = argument;
    return r;
}

}  // namespace

TEST(DriverInfoCommand, FillsEveryFieldWhateverTheRecordHeld) {
    for (uint8_t fill : {0x00, 0xFF}) {
        SCOPED_TRACE(fill);
        GuardedInfo g;
        memset(&g, fill, sizeof g);
        // Any context pointer, even none: code 14 touches no channel.
        DriverRequest r = Request(CodeOf(Command::kGetDriverInfo), nullptr, &g.info);
        EXPECT_EQ(0, SulMain(&r));
        EXPECT_EQ(82, g.info.driverCode);
        EXPECT_STREQ("ZID-12 Fire Detection", g.info.name);
        EXPECT_EQ(640152u, g.info.contextSize);
        EXPECT_EQ(sizeof(ChannelContext), g.info.contextSize);
        EXPECT_EQ(4, g.info.timeout);
        EXPECT_EQ(9600, g.info.line.baud);
        EXPECT_EQ(8, g.info.line.dataBits);
        EXPECT_EQ(0, g.info.line.stopBits);
        EXPECT_EQ(0, g.info.line.parity);
        EXPECT_EQ(0x00150020u, g.info.lastParameter);
        for (uint8_t b : g.before) EXPECT_EQ(fill, b);
        for (uint8_t b : g.after) EXPECT_EQ(fill, b);
        // The request itself is read-only for the driver.
        EXPECT_EQ(14, r.command);
        EXPECT_EQ(&g.info, r.argument);
    }
}

TEST(DriverInfoCommand, InstallationBannerIsByteExact) {
    GuardedInfo g{};
    DriverRequest r = Request(CodeOf(Command::kGetDriverInfo), nullptr, &g.info);
    ASSERT_EQ(0, SulMain(&r));
    const std::string banner(g.info.banner);
    ASSERT_EQ(379u, banner.size());
    ASSERT_EQ('\n', banner[0]);

    // Six lines of 62 characters: a blank, a frame character, a 59-character
    // field, a frame character; each ended by a line feed.
    std::vector<std::string> lines;
    for (size_t at = 1; at < banner.size(); at += 63) {
        ASSERT_EQ('\n', banner[at + 62]) << "line at " << at;
        lines.push_back(banner.substr(at, 62));
    }
    ASSERT_EQ(6u, lines.size());
    for (const std::string& line : lines) EXPECT_EQ(' ', line[0]);

    const std::string double59(59, '\xCD');
    EXPECT_EQ(" \xC9" + double59 + "\xBB", lines[0]);
    EXPECT_EQ(" \xC8" + double59 + "\xBC", lines[5]);
    const std::string title = " \xBA " + std::string(5, '\xDB') + std::string(6, '\xB2') +
                              std::string(6, '\xB1') + std::string(6, '\xB0') +
                              " S U L K A R " + std::string(4, '\xB0') +
                              std::string(6, '\xB1') + std::string(6, '\xB2') +
                              std::string(5, '\xDB') + " \xBA";
    EXPECT_EQ(title, lines[1]);
    EXPECT_EQ(" \xBA         ZID-12 Fire Detection, Driver installed.          \xBA", lines[2]);
    EXPECT_EQ(" \xBA    Vizo Fire Detection Model, Ascii protocol (HEBREW)     \xBA", lines[3]);
    // Line 5 carries the vendor notice: only its frame is fixed.
    EXPECT_EQ(" \xBA", lines[4].substr(0, 2));
    EXPECT_EQ('\xBA', lines[4][61]);
    for (char c : lines[4].substr(2, 59)) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << int(c);
}

// Codes that do nothing, and codes the table has no handler for, answer 1
// and touch neither the context nor the argument, whatever those hold.
TEST(Dispatch, CodesWithoutWorkReturnOneAndTouchNothing) {
    const int32_t codes[] = {4, 6, 7, 10,                       // no operation
                             0, 8, 9, 17, 18, 255, 1000000,     // no handler
                             -1, -16, INT_MIN, INT_MAX};
    auto context = std::make_unique<ChannelContext>();
    std::vector<uint8_t> argument(64);
    for (uint8_t fill : {0x00, 0xFF}) {
        memset(context.get(), fill, sizeof(ChannelContext));
        memset(argument.data(), fill, argument.size());
        for (int32_t code : codes) {
            SCOPED_TRACE(code);
            DriverRequest r = Request(code, context.get(), argument.data());
            EXPECT_EQ(1, SulMain(&r));
            // A garbage argument pointer is never followed either.
            DriverRequest wild = Request(code, reinterpret_cast<void*>(uintptr_t{16}),
                                         reinterpret_cast<void*>(uintptr_t{16}));
            EXPECT_EQ(1, SulMain(&wild));
        }
        const auto* bytes = reinterpret_cast<const uint8_t*>(context.get());
        EXPECT_TRUE(std::all_of(bytes, bytes + sizeof(ChannelContext),
                                [fill](uint8_t b) { return b == fill; }));
        EXPECT_TRUE(std::all_of(argument.begin(), argument.end(),
                                [fill](uint8_t b) { return b == fill; }));
    }
}

TEST(Dispatch, ClosingTwiceAnswersTheSameForCodesElevenAndTwelve) {
    // A context whose port is 0 (never opened): both close codes find nothing
    // to close and answer alike.
    auto context = std::make_unique<ChannelContext>();
    memset(context.get(), 0, sizeof(ChannelContext));
    DriverRequest r11 = Request(CodeOf(Command::kClosePort), context.get(), nullptr);
    DriverRequest r12 = Request(CodeOf(Command::kClosePortAlias), context.get(), nullptr);
    const int32_t first = SulMain(&r11);
    EXPECT_EQ(first, SulMain(&r12));
    EXPECT_EQ(first, SulMain(&r12));
    EXPECT_EQ(0u, context->port);
}
