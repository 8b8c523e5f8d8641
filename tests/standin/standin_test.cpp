// The stand-in host library: the behaviour the driver and the tools rely on.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "standin/qelmar_sim.h"

namespace {

class StandIn : public ::testing::Test {
protected:
    void SetUp() override {
        QelSimReset();
        QelSimSetLogEcho(0);
    }
    void TearDown() override { QelSimReset(); }

    static std::vector<QelSimCall> CallLog() {
        std::vector<QelSimCall> calls(QelSimCallLogCount());
        for (uint32_t i = 0; i < calls.size(); ++i) EXPECT_EQ(0, QelSimCallLogGet(i, &calls[i]));
        return calls;
    }
};

TEST_F(StandIn, ClientsGetDistinctIdsAndCanBeRefused) {
    uint8_t a = 0, b = 0;
    ASSERT_EQ(0, QelMkClient("SulVOR No_01", 1, 0, &a));
    ASSERT_EQ(0, QelMkClient("SulVOR No_02", 1, 0, &b));
    EXPECT_NE(0, a);
    EXPECT_NE(a, b);
    EXPECT_EQ(a, QelSimFindClient("SulVOR No_01"));

    QelSimFailMkClient(1);
    uint8_t c = 0x5A;
    EXPECT_NE(0, QelMkClient("SulVOR No_03", 1, 0, &c));
    EXPECT_EQ(0x5A, c) << "a refused client id must not be written";

    QelRmClient(a);
    EXPECT_EQ(0, QelSimFindClient("SulVOR No_01"));
    const auto calls = CallLog();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ(kCallMkClient, calls[0].kind);
    EXPECT_STREQ("SulVOR No_01", calls[0].text);
    EXPECT_EQ(1, calls[0].args[0]);
    EXPECT_EQ(0, calls[0].args[1]);
    EXPECT_EQ(kQelSimMkClientFailed, calls[2].status);
    EXPECT_EQ(kCallRmClient, calls[3].kind);
}

TEST_F(StandIn, GateLookupIsPerChannelAndInjectable) {
    const uint32_t id = QelSimDefineGate(2, "120000");
    EXPECT_NE(0u, id);
    EXPECT_EQ(id, QelSimDefineGate(2, "120000")) << "defining twice finds the same gate";
    uint32_t found = 0;
    EXPECT_EQ(0, QelGetGateIdByAddressStr(1, 2, "120000", &found));
    EXPECT_EQ(id, found);

    struct Case { uint8_t channel; const char* address; };
    for (const Case& c : {Case{3, "120000"}, Case{2, "120001"}, Case{2, ""}, Case{2, "0000"}}) {
        uint32_t untouched = 77;
        EXPECT_NE(0, QelGetGateIdByAddressStr(1, c.channel, c.address, &untouched)) << c.address;
        EXPECT_EQ(77u, untouched);
    }
    QelSimFailLookup("120000", 1);
    EXPECT_NE(0, QelGetGateIdByAddressStr(1, 2, "120000", &found));
    QelSimFailLookup("120000", 0);
    EXPECT_EQ(0, QelGetGateIdByAddressStr(1, 2, "120000", &found));
}

TEST_F(StandIn, CookedValuesRoundTripAndForgeriesAreRefused) {
    const uint32_t id = QelSimDefineGate(0, "031200");
    ASSERT_EQ(0, QelSimWriteGateById(id, RawGateValue{{0xA5, 0x5A}, 2}));

    RawGateValue raw{};
    QelGetGateRawValue(1, id, &raw, 0);
    EXPECT_EQ(2, raw.value);
    raw.value |= 1;
    CookedValue cooked{};
    QelCook(1, id, raw, &cooked);
    EXPECT_EQ(0, QelPutGateVal(1, id, 2, cooked, 0, 0));
    RawGateValue stored{};
    ASSERT_EQ(0, QelSimReadGate(0, "031200", &stored));
    EXPECT_EQ(3, stored.value);
    EXPECT_EQ(0xA5, stored.host[0]);
    EXPECT_EQ(0x5A, stored.host[1]);

    // Zero bytes clear the value and keep the host's bytes.
    EXPECT_EQ(0, QelPutGateVal(1, id, 2, CookedValue{}, 0, 0));
    ASSERT_EQ(0, QelSimReadGateById(id, &stored));
    EXPECT_EQ(0, stored.value);
    EXPECT_EQ(0xA5, stored.host[0]);

    // Raw bytes handed over without cooking, or a damaged cooked value.
    CookedValue forged{};
    memcpy(forged.bytes, &raw, sizeof raw);
    EXPECT_EQ(kQelSimBadCookedValue, QelPutGateVal(1, id, 2, forged, 0, 0));
    CookedValue damaged = cooked;
    damaged.bytes[4] ^= 1;
    EXPECT_EQ(kQelSimBadCookedValue, QelPutGateVal(1, id, 2, damaged, 0, 0));
    EXPECT_EQ(kQelSimNoSuchGate, QelPutGateVal(1, id + 100, 2, cooked, 0, 0));

    QelSimFailWrite("031200", 1);
    EXPECT_EQ(kQelSimInjectedFailure, QelPutGateVal(1, id, 2, cooked, 0, 0));
    ASSERT_EQ(0, QelSimReadGateById(id, &stored));
    EXPECT_EQ(0, stored.value) << "a refused write changes nothing";
}

TEST_F(StandIn, GateSinkSeesEveryStoredChange) {
    struct Seen { std::string address; uint16_t from, to; };
    static std::vector<Seen> seen;
    seen.clear();
    QelSimSetGateSink(
        [](uint8_t, const char* address, uint16_t from, uint16_t to, void*) {
            seen.push_back({address, from, to});
        },
        nullptr);
    const uint32_t id = QelSimDefineGate(0, "000007");
    CookedValue cooked{};
    QelCook(1, id, RawGateValue{{0, 0}, 2}, &cooked);
    QelPutGateVal(1, id, 2, cooked, 0, 0);
    QelPutGateVal(1, id, 2, CookedValue{}, 0, 0);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("000007", seen[0].address);
    EXPECT_EQ(0, seen[0].from);
    EXPECT_EQ(2, seen[0].to);
    EXPECT_EQ(2, seen[1].from);
    EXPECT_EQ(0, seen[1].to);
}

TEST_F(StandIn, WaitFollowsTicksAndEndsAtShutdown) {
    QelSimSetTickPeriod(0);
    uint8_t id = 0;
    ASSERT_EQ(0, QelMkClient("SulVOR No_00", 1, 0, &id));
    uint8_t message[24];

    // A tick given before the wait is not lost.
    QelSimTick(id);
    EXPECT_EQ(1, QelWaitMsg(id, message, 1));

    // A waiter blocks until the next tick.
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = QelWaitMsg(id, message, 1); });
    while (QelSimWaiting(id) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(-1, result.load());
    QelSimTick(0);
    waiter.join();
    EXPECT_EQ(1, result.load());

    // Shutdown releases a blocked waiter with 0, and every later wait too.
    std::thread last([&] { result = QelWaitMsg(id, message, 1); });
    while (QelSimWaiting(id) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    QelSimShutdownClient(id);
    last.join();
    EXPECT_EQ(0, result.load());
    EXPECT_EQ(0, QelWaitMsg(id, message, 1));
}

TEST_F(StandIn, AutomaticTickPacesWaits) {
    QelSimSetTickPeriod(10);
    uint8_t id = 0;
    ASSERT_EQ(0, QelMkClient("paced", 1, 0, &id));
    uint8_t message[24];
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) ASSERT_EQ(1, QelWaitMsg(id, message, 1));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(30));
    EXPECT_LT(elapsed, std::chrono::seconds(2));
    QelSimShutdownClient(id);
}

TEST_F(StandIn, LogLinesAreFormattedLoggedAndSunk) {
    static std::vector<std::string> sunk;
    sunk.clear();
    QelSimSetLogSink([](const char* line, void*) { sunk.emplace_back(line); }, nullptr);
    err(32, "SulVOR : Can not find gate %s", "0000");
    err(32, "SUL%s : Fail to open %s", "ZID-12 Fire Detection", "COM9");
    ASSERT_EQ(2u, sunk.size());
    EXPECT_EQ("SulVOR : Can not find gate 0000", sunk[0]);
    EXPECT_EQ("SULZID-12 Fire Detection : Fail to open COM9", sunk[1]);
    const auto calls = CallLog();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(kCallErr, calls[0].kind);
    EXPECT_EQ(32, calls[0].args[0]);
    EXPECT_STREQ("SulVOR : Can not find gate 0000", calls[0].text);
}

TEST_F(StandIn, VersionIsConfigurable) {
    uint16_t version = 0;
    char text[100];
    QelGetQelmarVer(1, &version, text);
    EXPECT_EQ(820, version);
    QelSimSetVersion(819);
    QelGetQelmarVer(1, &version, text);
    EXPECT_EQ(819, version);
    EXPECT_LT(strlen(text), 100u);
}

TEST_F(StandIn, CallLogKeepsTheNewestEntries) {
    for (int i = 0; i < 70000; ++i) QelSimTick(200);
    uint8_t id = 0;
    QelMkClient("after", 1, 0, &id);
    const uint32_t count = QelSimCallLogCount();
    EXPECT_EQ(1u, count) << "ticks are not calls of the driver";
    for (int i = 0; i < 70000; ++i) err(32, "line %d", i);
    QelSimCall call{};
    EXPECT_NE(0, QelSimCallLogGet(0, &call)) << "overwritten entries are gone";
    ASSERT_EQ(0, QelSimCallLogGet(QelSimCallLogCount() - 1, &call));
    EXPECT_STREQ("line 69999", call.text);
    EXPECT_NE(0, QelSimCallLogGet(QelSimCallLogCount(), &call));
}

}  // namespace
