// Shared pieces of the panel tests: a channel context on the heap, the
// stand-in host reset for every test, and the host's call log as a vector.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host_abi/context.h"
#include "standin/qelmar_sim.h"
#include "tests/support/call_log.h"

namespace zid::test {

inline constexpr uint8_t kClient = 7;
inline constexpr uint8_t kChannel = 3;

// Code-page-862 keywords as the panel prints them (visual order).
inline const std::string kCpFireLine = "\x85\x97\x20\x3A\x99\x80";
inline const std::string kCpFireZone = "\x98\x85\x86\x80\x81\x20\x99\x80";
inline const std::string kCpFaultLine = "\x85\x97\x20\x3A\x84\x8C\x97\x9A";
inline const std::string kCpFaultZone = "\x98\x85\x86\x80\x81\x20\x84\x8C\x97\x9A";
inline const std::string kCpFaultLineEnd = "\x85\x97\x20\x3A\x84\x8C\x97\x9A\x20\x8D\x85\x89\x91";
inline const std::string kCpFaultZoneEnd =
    "\x98\x85\x86\x80\x20\x84\x8C\x97\x9A\x20\x8D\x85\x89\x91";
inline const std::string kCpPowerFaultEnd = "\x87\x9A\x8E\x20\x9A\x8C\x97\x9A\x20\x8D\x85\x89\x91";
inline const std::string kCpPowerFault = "\x87\x9A\x8E\x20\x9A\x8C\x97\x9A";
inline const std::string kCpSounderSilenced = "\x98\x94\x85\x96\x20\x9A\x97\x9A\x99\x84";
inline const std::string kCpTestEnd = "\x88\x91\x88\x20\x8D\x85\x89\x91";
inline const std::string kCpTestStart = "\x88\x91\x88";

// A line head whose first blank is at offset 6 (gate digits from 29) and
// whose reset window is blank: 29 characters, offsets 0..28.
inline const std::string kHead = ">>EVT: 10:15:30 ZID-12       ";
inline const std::string kEndHead = ">>END: 10:15:30 ZID-12       ";
// "detector" in code page 862, visual order.
inline const std::string kCpDetector = "\x89\x80\x8C\x82";

using zid::sim::CallLog;
using zid::sim::LogLines;

inline RawGateValue Raw(uint8_t h0, uint8_t h1, uint16_t value) {
    RawGateValue raw{};
    raw.host[0] = h0;
    raw.host[1] = h1;
    raw.value = value;
    return raw;
}

inline uint16_t GateValue(const char* address) {
    RawGateValue raw{};
    EXPECT_EQ(0, QelSimReadGate(kChannel, address, &raw)) << address;
    return raw.value;
}

class PanelTest : public ::testing::Test {
  public:
    void SetUp() override {
        QelSimReset();
        QelSimSetLogEcho(0);
        QelSimSetTickPeriod(0);
        ctx_ = std::make_unique<ChannelContext>();  // zero-filled, as the host hands it over
        ctx_->clientId = kClient;
        ctx_->channel = kChannel;
    }
    void TearDown() override { QelSimReset(); }

    // Places a line in the message buffer as the receiver leaves it: the
    // characters, a NUL, zeros up to the end.
    void SetLine(const std::string& line) {
        ASSERT_LE(line.size(), size_t(kMaxLineLength));
        std::memset(ctx_->message, 0, sizeof ctx_->message);
        std::memcpy(ctx_->message, line.data(), line.size());
    }

    uint32_t DefineGate(const char* address, RawGateValue raw) {
        const uint32_t id = QelSimDefineGate(kChannel, address);
        EXPECT_EQ(0, QelSimWriteGateById(id, raw));
        return id;
    }

    void Register(const std::vector<std::string>& addresses) {
        uint32_t n = AcquireCount(*ctx_);
        for (const std::string& a : addresses) {
            std::strncpy(ctx_->addresses[n], a.c_str(), kAddressSize - 1);
            PublishCount(*ctx_, ++n);
        }
    }

    std::unique_ptr<ChannelContext> ctx_;
};

}  // namespace zid::test
