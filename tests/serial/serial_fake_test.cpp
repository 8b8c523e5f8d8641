// The serial layer against the fake call table.
#include <gtest/gtest.h>

#include <cstring>

#include "serial/serial_calls.h"
#include "serial/serial_port.h"
#include "tests/serial/fake_serial.h"

namespace {

using namespace zid;
using fake::Dev;

constexpr LineBlock k9600{9600, 8, 0, 0};
constexpr uint16_t kDriverFlags = 0x4333;

class SerialFake : public ::testing::Test {
protected:
    void SetUp() override { fake::Install(); }
    void TearDown() override { fake::Uninstall(); }

    PortHandle OpenOk(uint16_t flags = kDriverFlags, LineBlock line = k9600) {
        PortHandle h = 0;
        EXPECT_EQ(ComOpen("COM21", &line, flags, &h), kComOk);
        return h;
    }
};

TEST(SerialHandles, SignExtensionKeepsInvalidHandleValue) {
    EXPECT_EQ(ToWin32Handle(kInvalidPort), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FromWin32Handle(INVALID_HANDLE_VALUE), kInvalidPort);
    EXPECT_EQ(FromWin32Handle(ToWin32Handle(0x1234u)), 0x1234u);
    EXPECT_EQ(ToWin32Handle(0), nullptr);
}

TEST_F(SerialFake, OpenConfiguresPortInOrder) {
    const PortHandle h = OpenOk();
    const fake::Device& d = Dev();
    EXPECT_TRUE(d.IsOpen(ToWin32Handle(h)));
    EXPECT_EQ(d.lastName, "COM21");
    EXPECT_EQ(d.lastAccess, static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE));
    EXPECT_EQ(d.lastShare, 0u);
    EXPECT_EQ(d.lastDisposition, static_cast<DWORD>(OPEN_EXISTING));
    EXPECT_EQ(d.lastAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    const std::vector<fake::Fn> expected = {fake::kCreateFile, fake::kGetCommState,
                                            fake::kSetCommTimeouts, fake::kSetCommState,
                                            fake::kSetupComm};
    EXPECT_EQ(d.order, expected);
    // Timeouts built afresh, whatever the device had.
    EXPECT_EQ(d.timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(d.timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(d.timeouts.ReadTotalTimeoutConstant, 1000u);
    EXPECT_EQ(d.timeouts.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(d.timeouts.WriteTotalTimeoutConstant, 0u);
    EXPECT_EQ(d.inQueue, 1200u);
    EXPECT_EQ(d.outQueue, 1200u);
}

TEST_F(SerialFake, OpenSetsDcbFieldsAndKeepsTheRest) {
    OpenOk();
    const DCB& dcb = Dev().dcb;
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fParity, 1u);
    EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(dcb.fOutxDsrFlow, 0u);
    EXPECT_EQ(dcb.fDsrSensitivity, 0u);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    EXPECT_EQ(dcb.fErrorChar, 0u);
    EXPECT_EQ(dcb.fNull, 0u);
    EXPECT_EQ(dcb.fAbortOnError, 0u);
    EXPECT_EQ(static_cast<uint8_t>(dcb.ErrorChar), 0xFC);
    // As read from the device.
    EXPECT_EQ(dcb.fTXContinueOnXoff, 1u);
    EXPECT_EQ(dcb.XonLim, 11);
    EXPECT_EQ(dcb.XoffLim, 22);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_EQ(dcb.EofChar, 0x1A);
    EXPECT_EQ(dcb.EvtChar, 0x7E);
}

TEST_F(SerialFake, OpenTakesLowBytesOfLineFields) {
    OpenOk(kDriverFlags, LineBlock{65535, 0x0107, 0x0302, 0x0404});
    const DCB& dcb = Dev().dcb;
    EXPECT_EQ(dcb.BaudRate, 65535u);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.StopBits, 2);
    EXPECT_EQ(dcb.Parity, 4);
}

TEST_F(SerialFake, LineFlagsSelectDtrAndRts) {
    struct Case {
        uint16_t flags;
        DWORD dtr, rts;
    };
    const Case cases[] = {
        {0x4333, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE},
        {0x8000, DTR_CONTROL_HANDSHAKE, RTS_CONTROL_DISABLE},
        {0x8101, DTR_CONTROL_ENABLE, RTS_CONTROL_DISABLE},
        {0x3000, DTR_CONTROL_DISABLE, RTS_CONTROL_HANDSHAKE},
        {0x2000, DTR_CONTROL_DISABLE, RTS_CONTROL_TOGGLE},
        {0x0000, DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE},
        {0x4CFC, DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE},
        {0x0001, DTR_CONTROL_ENABLE, RTS_CONTROL_DISABLE},
        {0x0200, DTR_CONTROL_DISABLE, RTS_CONTROL_ENABLE},
        {0xFFFF, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE},
    };
    for (const Case& c : cases) {
        fake::Install();
        OpenOk(c.flags);
        const DCB& dcb = Dev().dcb;
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(dcb.fDtrControl, c.dtr);
        EXPECT_EQ(dcb.fRtsControl, c.rts);
        // No flag value brings flow control, replacement, stripping or abort.
        EXPECT_EQ(dcb.fOutxCtsFlow | dcb.fOutxDsrFlow | dcb.fOutX | dcb.fInX | dcb.fErrorChar |
                      dcb.fNull | dcb.fAbortOnError | dcb.fDsrSensitivity,
                  0u);
    }
}

TEST_F(SerialFake, NulDeviceIsUsedUnconfigured) {
    PortHandle h = 0;
    EXPECT_EQ(ComOpen("NUL", &k9600, kDriverFlags, &h), kComOk);
    EXPECT_TRUE(Dev().IsOpen(ToWin32Handle(h)));
    EXPECT_EQ(Dev().order, std::vector<fake::Fn>{fake::kCreateFile});
    // Only the exact name is the shortcut.
    fake::Install();
    EXPECT_EQ(ComOpen("nul", &k9600, kDriverFlags, &h), kComOk);
    EXPECT_EQ(Dev().Count(fake::kGetCommState), 1);
}

TEST_F(SerialFake, OpenFailuresCloseTheHandleAndFreeTheDevice) {
    struct Case {
        fake::Fn failing;
        int32_t code;
    };
    const Case cases[] = {
        {fake::kCreateFile, kComDeviceFailed},
        {fake::kGetCommState, kComStateQueryFailed},
        {fake::kSetCommTimeouts, kComDeviceFailed},
        {fake::kSetCommState, kComStateRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        fake::Install().failAt[c.failing] = 1;
        PortHandle h = 0;
        EXPECT_EQ(ComOpen("COM21", &k9600, kDriverFlags, &h), c.code);
        EXPECT_TRUE(Dev().open.empty()) << "handle left open";
        if (c.failing == fake::kCreateFile) {
            EXPECT_EQ(h, kInvalidPort);
            EXPECT_EQ(Dev().Count(fake::kCloseHandle), 0);
        } else {
            EXPECT_NE(h, kInvalidPort);
            EXPECT_EQ(Dev().Count(fake::kCloseHandle), 1);
            EXPECT_EQ(Dev().Count(fake::kSetupComm), 0);
        }
        // The next attempt gets past the open step again.
        Dev().failAt[c.failing] = 0;
        Dev().failAlways[c.failing] = c.failing != fake::kCreateFile;
        EXPECT_EQ(ComOpen("COM21", &k9600, kDriverFlags, &h),
                  c.failing == fake::kCreateFile ? kComOk : c.code);
        EXPECT_EQ(Dev().Count(fake::kCreateFile), 2);
    }
}

TEST_F(SerialFake, CloseTwiceFailsTheSecondTime) {
    const PortHandle h = OpenOk();
    EXPECT_EQ(ComClose(h), kComOk);
    EXPECT_EQ(ComClose(h), kComCallFailed);
    EXPECT_EQ(ComClose(0), kComCallFailed);
}

TEST_F(SerialFake, SetReadTimeoutReturnsPreviousAndSkipsUnchanged) {
    const PortHandle h = OpenOk();
    const int setsAfterOpen = Dev().Count(fake::kSetCommTimeouts);
    int32_t previous = -1;
    EXPECT_EQ(ComSetReadTimeout(h, 5, &previous), kComOk);
    EXPECT_EQ(previous, 100);
    EXPECT_EQ(Dev().timeouts.ReadTotalTimeoutConstant, 50u);
    EXPECT_EQ(ComSetReadTimeout(h, 5, &previous), kComOk);
    EXPECT_EQ(previous, 5);
    EXPECT_EQ(Dev().Count(fake::kSetCommTimeouts), setsAfterOpen + 1);
    // A previous timeout under 10 ms is a success that reports 0.
    Dev().timeouts.ReadTotalTimeoutConstant = 9;
    EXPECT_EQ(ComSetReadTimeout(h, 5, &previous), kComOk);
    EXPECT_EQ(previous, 0);
    // The other four fields stay as read.
    Dev().timeouts = {3, 4, 15, 6, 7};
    EXPECT_EQ(ComSetReadTimeout(h, 4, &previous), kComOk);
    EXPECT_EQ(previous, 1);  // 15 ms truncates to 1
    const COMMTIMEOUTS& t = Dev().timeouts;
    EXPECT_EQ(t.ReadIntervalTimeout, 3u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 4u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 40u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 6u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 7u);
}

TEST_F(SerialFake, SetReadTimeoutFailuresSayNothingOfThePrevious) {
    const PortHandle h = OpenOk();
    int32_t previous = -1;
    Dev().failAt[fake::kGetCommTimeouts] = 1;
    EXPECT_EQ(ComSetReadTimeout(h, 5, &previous), kComDeviceFailed);
    EXPECT_EQ(Dev().timeouts.ReadTotalTimeoutConstant, 1000u);
    Dev().failAt[fake::kSetCommTimeouts] = Dev().Count(fake::kSetCommTimeouts) + 1;
    EXPECT_EQ(ComSetReadTimeout(h, 5, &previous), kComDeviceFailed);
    EXPECT_EQ(Dev().timeouts.ReadTotalTimeoutConstant, 1000u);
    EXPECT_EQ(previous, -1);
}

TEST_F(SerialFake, PurgeDrainsInChunksAndRestoresTimeout) {
    struct Case {
        const char* name;
        std::vector<size_t> waiting;          // chunks queued
        std::vector<DWORD> delivered;         // per drain read
        int clearCommErrorFailsAt;
    };
    const Case cases[] = {
        {"1000 bytes", {1000}, {512, 488}, 0},
        {"exactly 512", {512}, {512, 0}, 0},
        {"empty queue", {}, {}, 0},
        {"query failed, empty", {}, {0}, 1},
        {"1024 bytes", {1024}, {512, 512, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake::Install();
        const PortHandle h = OpenOk();
        ComSetReadTimeout(h, 4);
        for (size_t n : c.waiting) Dev().arrivals.push_back(std::string(n, 'x'));
        Dev().failAt[fake::kClearCommError] = c.clearCommErrorFailsAt;
        Dev().reads.clear();
        EXPECT_EQ(ComPurgeInput(h), kComOk);
        ASSERT_EQ(Dev().reads.size(), c.delivered.size());
        for (size_t i = 0; i < c.delivered.size(); ++i) {
            EXPECT_EQ(Dev().reads[i].asked, 512u);
            EXPECT_EQ(Dev().reads[i].delivered, c.delivered[i]);
            EXPECT_EQ(Dev().reads[i].timeoutMs, 50u);
        }
        EXPECT_EQ(Dev().Queued(), 0u);
        EXPECT_EQ(Dev().timeouts.ReadTotalTimeoutConstant, 40u);
    }
}

TEST_F(SerialFake, PurgeReportsFailedReadAndKeepsDrainTimeoutWhenNothingToRestore) {
    const PortHandle h = OpenOk();
    Dev().arrivals.push_back(std::string(600, 'x'));
    Dev().failAt[fake::kReadFile] = 2;
    EXPECT_EQ(ComPurgeInput(h), kComDeviceFailed);
    EXPECT_EQ(Dev().Count(fake::kReadFile), 2);
    EXPECT_EQ(Dev().timeouts.ReadTotalTimeoutConstant, 1000u);  // restored

    // A previous timeout under 10 ms cannot be told from a failure: the
    // purge's 50 ms stays.
    Dev().timeouts.ReadTotalTimeoutConstant = 0;
    Dev().arrivals.push_back("abc");
    EXPECT_EQ(ComPurgeInput(h), kComOk);
    EXPECT_EQ(Dev().timeouts.ReadTotalTimeoutConstant, 50u);
}

TEST_F(SerialFake, ReadCollectsPartialDeliveries) {
    struct Case {
        const char* name;
        std::vector<std::string> arrivals;
        uint32_t count;
        int32_t code;
        uint32_t got;
        std::vector<DWORD> asked;
    };
    const Case cases[] = {
        {"1 then 2", {"a", "bc"}, 3, kComOk, 3, {3, 2}},
        {"1 then timeout", {"a"}, 3, kComCallFailed, 1, {3, 2}},
        {"nothing", {}, 1, kComCallFailed, 0, {1}},
        {"one byte", {"z"}, 1, kComOk, 1, {1}},
        {"large count asked as 16 bits", {std::string(65535, 'q')}, 65535, kComOk, 65535, {65535}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake::Install();
        const PortHandle h = OpenOk();
        for (const std::string& a : c.arrivals) Dev().arrivals.push_back(a);
        std::string buffer(c.count, '\0');
        uint32_t got = 99;
        EXPECT_EQ(ComRead(h, buffer.data(), c.count, &got), c.code);
        EXPECT_EQ(got, c.got);
        std::vector<DWORD> asked;
        for (const fake::Read& r : Dev().reads) asked.push_back(r.asked);
        EXPECT_EQ(asked, c.asked);
        std::string joined;
        for (const std::string& a : c.arrivals) joined += a;
        EXPECT_EQ(buffer.substr(0, c.got), joined.substr(0, c.got));
    }
}

TEST_F(SerialFake, ReadFailureAndAbsentOutCount) {
    const PortHandle h = OpenOk();
    Dev().arrivals.push_back("ab");
    char buffer[4] = {};
    EXPECT_EQ(ComRead(h, buffer, 2, nullptr), kComOk);
    EXPECT_STREQ(buffer, "ab");
    Dev().failAt[fake::kReadFile] = Dev().Count(fake::kReadFile) + 1;
    Dev().arrivals.push_back("c");
    uint32_t got = 5;
    EXPECT_EQ(ComRead(h, buffer, 1, &got), kComCallFailed);
    EXPECT_EQ(got, 0u);
}

TEST_F(SerialFake, WriteReportsShortAndFailedWrites) {
    const PortHandle h = OpenOk();
    uint32_t written = 0;
    EXPECT_EQ(ComWrite(h, "hello", 5, &written), kComOk);
    EXPECT_EQ(written, 5u);
    Dev().writeAccepts = 3;
    EXPECT_EQ(ComWrite(h, "hello", 5, &written), kComShortWrite);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(Dev().written, "hellohel");
    EXPECT_EQ(Dev().Count(fake::kWriteFile), 2);  // no retry of the rest
    Dev().failAt[fake::kWriteFile] = 3;
    written = 42;
    EXPECT_EQ(ComWrite(h, "x", 1, &written), kComCallFailed);
    EXPECT_EQ(written, 42u);
    Dev().writeAccepts = 0;
    EXPECT_EQ(ComWrite(h, "x", 1, nullptr), kComShortWrite);
}

TEST_F(SerialFake, BreakAndSleep) {
    const PortHandle h = OpenOk();
    Dev().order.clear();
    EXPECT_EQ(ComSendBreak(250, h), kComOk);
    const std::vector<fake::Fn> expected = {fake::kSetCommBreak, fake::kSleep,
                                            fake::kClearCommBreak};
    EXPECT_EQ(Dev().order, expected);
    EXPECT_FALSE(Dev().breakOn);
    EXPECT_EQ(Dev().sleeps, std::vector<DWORD>{250});
    // Failing break calls are ignored.
    Dev().failAlways[fake::kSetCommBreak] = Dev().failAlways[fake::kClearCommBreak] = true;
    EXPECT_EQ(ComSendBreak(1, h), kComOk);
    EXPECT_EQ(ComSleep(7), kComOk);
    EXPECT_EQ(Dev().sleeps.back(), 7u);
}

}  // namespace
