// Stress test of the lock-free sharing of one ChannelContext between the
// host's thread and the receiver thread, meant to run under ThreadSanitizer
// (preset "tsan") and with ASan (preset "native").
//
// Receiver side: frames panel lines byte by byte (ReadPanelLine over a port
// that reads the context's port field for every byte, as the Win32 one does)
// and decodes them: fires, faults, status events, and a reset every few
// lines, whose walk reads the address table while it grows.
// Host side, at the same time: registers gate addresses with command 3 until
// the table is full, reads the four status words and gates with command 5,
// and swaps the port field between handles and 0.
//
// A second channel's receiver frames and decodes the same lines on a context
// of its own at the same time, as the receiver threads of a site's panels do.
//
// Checked afterwards: every line was framed and decoded on both channels,
// every registration was counted, every port value the receiver saw was one
// the host stored, every status word read was 0 or 1, and a final reset left
// every registered gate at zero.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "driver/dispatch.h"
#include "host_abi/context.h"
#include "host_abi/requests.h"
#include "panel/decoder.h"
#include "panel/framing.h"
#include "standin/qelmar_sim.h"
#include "tools/common/line_composer.h"

namespace {

constexpr uint8_t kClient = 5;
constexpr int32_t kValidate = zid::CodeOf(zid::Command::kValidateAddress);
constexpr int32_t kRead = zid::CodeOf(zid::Command::kReadPoint);
constexpr uint8_t kChannel = 2;
constexpr zid::PortHandle kPorts[] = {0, 0x104, 0x2F8, 0x7FFFFFF0};

int gFailures = 0;
#define CHECK(cond)                                                              \
    do {                                                                         \
        if (!(cond)) {                                                           \
            std::fprintf(stderr, "%s:%d: CHECK failed: %s\n", __FILE__, __LINE__, #cond); \
            ++gFailures;                                                         \
        }                                                                        \
    } while (0)

// The wire: the receiver thread alone reads it. The second channel's
// receiver reads a copy of its own.
std::string gWire;
size_t gWirePos = 0;
size_t gSecondWirePos = 0;
zid::ChannelContext* gSecond = nullptr;
std::atomic<uint32_t> gBadPortSeen{0};

bool KnownPort(zid::PortHandle h) {
    for (zid::PortHandle p : kPorts)
        if (p == h) return true;
    return false;
}

std::string Compose(zid::PanelEvent event, int line, int detector, int zone) {
    zid::PanelLineFields f{event};
    f.line = line;
    f.detector = detector;
    f.zone = zone;
    char out[128];
    const size_t n = zid::ComposePanelLine(f, out, sizeof out);
    return std::string(out, n);
}

std::string AddressText(int i) {
    // Every valid LLDDZZ, then round again: 13 * 41 * 13 distinct addresses.
    const int k = i % (13 * 41 * 13);
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%02d", k / (41 * 13), (k / 13) % 41, k % 13);
    return text;
}

// The receiver's port: one byte per call, from the port the context holds
// at this moment (read through the accessor, as the Win32 layer does).
bool WireBytes(zid::ChannelContext* context, uint8_t* buffer, uint32_t count) {
    if (!KnownPort(zid::LoadPort(*context))) gBadPortSeen.fetch_add(1);
    size_t& pos = context == gSecond ? gSecondWirePos : gWirePos;
    if (count != 1 || pos >= gWire.size()) return false;
    *buffer = static_cast<uint8_t>(gWire[pos++]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1500;
    const int registrations = zid::kAddressTableSize + 1;  // the last one is refused

    QelSimReset();
    QelSimSetLogEcho(0);
    QelSimSetTickPeriod(0);
    auto* ctx = static_cast<zid::ChannelContext*>(std::calloc(1, sizeof(zid::ChannelContext)));
    ctx->clientId = kClient;
    ctx->channel = kChannel;
    for (int i = 0; i < 13 * 41 * 13; ++i) QelSimDefineGate(kChannel, AddressText(i).c_str());
    // The second channel: its own client, gates and a table of its own.
    gSecond = static_cast<zid::ChannelContext*>(std::calloc(1, sizeof(zid::ChannelContext)));
    gSecond->clientId = kClient + 1;
    gSecond->channel = kChannel + 1;
    for (int i = 0; i < 13 * 41 * 13; i += 5) {
        QelSimDefineGate(kChannel + 1, AddressText(i).c_str());
        std::memcpy(gSecond->addresses[i / 5], AddressText(i).c_str(), 7);
    }
    zid::PublishCount(*gSecond, (13 * 41 * 13 + 4) / 5);

    // The panel's lines: a mix of every event, a reset every 25 lines.
    using E = zid::PanelEvent;
    const E cycle[] = {E::FireLine, E::FaultZone, E::TestStart, E::FireZone, E::FaultLine,
                       E::PowerFault, E::SounderSilenced, E::PowerFaultEnd, E::FaultZoneEnd,
                       E::TestEnd};
    for (int i = 0; i < lines; ++i) {
        const E e = (i % 25 == 24) ? E::Reset : cycle[i % 10];
        gWire += "\r\n" + Compose(e, i % 13, (i * 7) % 41, (i * 3) % 13) + '\0';
    }

    // ZID_STRESS_PLANT_RACE=1 adds one plain read of the count on the
    // receiver side: ThreadSanitizer must then report a race, which shows
    // that the test does overlap the two threads.
    const bool plantRace = std::getenv("ZID_STRESS_PLANT_RACE") != nullptr;
    std::atomic<bool> hostDone{false};
    std::atomic<bool> receiverDone{false};
    std::atomic<int> progress{0};
    int accepted = 0, decoded = 0, overlapped = 0;
    volatile uint32_t planted = 0;
    std::thread receiver([&] {
        for (int i = 0; i < lines; ++i) {
            if (zid::ReadPanelLine(ctx, WireBytes)) {
                ++accepted;
                if (!hostDone.load()) ++overlapped;
                if (plantRace) planted = ctx->count;
                zid::DecodePanelMessage(ctx);
                ++decoded;
            }
            std::memset(ctx->message, 0, zid::kMaxLineLength);
            progress.store(i + 1);
        }
        receiverDone = true;
    });
    int secondDecoded = 0;
    std::thread second([&] {
        for (int i = 0; i < lines; ++i) {
            if (zid::ReadPanelLine(gSecond, WireBytes)) {
                zid::DecodePanelMessage(gSecond);
                ++secondDecoded;
            }
            std::memset(gSecond->message, 0, zid::kMaxLineLength);
        }
    });

    // The host keeps pace with the receiver, so that registrations run
    // through the whole of the receiver's work; status reads and port swaps
    // go on until the receiver has finished.
    int refused = 0;
    uint32_t badStatus = 0;
    std::thread host([&] {
        int registered = 0;
        for (uint32_t i = 0; !receiverDone.load(); ++i) {
            const long due = long(progress.load()) * registrations / lines;
            if (registered < registrations && registered <= due) {
                std::string text = AddressText(registered++);
                zid::TagAddressArgs args{};
                args.address = text.data();
                DriverRequest request{ctx, kValidate, kChannel, 0, &args};
                if (zid::Dispatch(&request) != zid::kDone) ++refused;
            }
            using zid::PointType;
            for (PointType t : {PointType::kStatusT, PointType::kStatusF, PointType::kStatusR,
                                PointType::kStatusS, PointType::kStatusC}) {
                zid::PointValue value{};
                zid::PointReadArgs read{};
                read.pointType = static_cast<uint32_t>(t);
                read.valueOut = &value;
                DriverRequest r{ctx, kRead, kChannel, 0, &read};
                zid::Dispatch(&r);
                if (value.value > 1) ++badStatus;
            }
            zid::StorePort(*ctx, kPorts[i % 4]);
            if (registered >= registrations) std::this_thread::yield();
        }
        while (registered < registrations) {  // the rest, if the receiver was quicker
            std::string text = AddressText(registered++);
            zid::TagAddressArgs args{};
            args.address = text.data();
            DriverRequest request{ctx, kValidate, kChannel, 0, &args};
            if (zid::Dispatch(&request) != zid::kDone) ++refused;
        }
        hostDone = true;
    });
    host.join();
    receiver.join();
    second.join();

    (void)planted;
    CHECK(hostDone);
    CHECK(accepted == lines);
    CHECK(decoded == lines);
    CHECK(secondDecoded == lines);
    CHECK(gBadPortSeen.load() == 0);
    CHECK(badStatus == 0);
    CHECK(refused == 1);
    CHECK(zid::AcquireCount(*ctx) == uint32_t(zid::kAddressTableSize));

    // A final reset, with the whole table registered: every gate ends at 0.
    for (int i = 0; i < 13 * 41 * 13; i += 97) {
        const std::string fire = Compose(E::FireZone, 0, 0, i % 13);
        std::snprintf(ctx->message, sizeof ctx->message, "%s", fire.c_str());
        zid::DecodePanelMessage(ctx);
    }
    std::snprintf(ctx->message, sizeof ctx->message, "%s", Compose(E::Reset, 0, 0, 0).c_str());
    zid::DecodePanelMessage(ctx);
    int nonZero = 0;
    for (int i = 0; i < 13 * 41 * 13; ++i) {
        RawGateValue raw{};
        CHECK(QelSimReadGate(kChannel, AddressText(i).c_str(), &raw) == 0);
        if (raw.value != 0) ++nonZero;
    }
    CHECK(nonZero == 0);
    CHECK(ctx->status.R == 1 && ctx->status.S == 1 && ctx->status.F == 0 && ctx->status.T == 0);

    // The second channel ended as its own lines left it: when the wire ends
    // with a reset (a multiple of 25 lines), every gate of its table is 0.
    int secondNonZero = 0;
    for (int i = 0; i < 13 * 41 * 13; i += 5) {
        RawGateValue raw{};
        CHECK(QelSimReadGate(kChannel + 1, AddressText(i).c_str(), &raw) == 0);
        if (raw.value != 0) ++secondNonZero;
    }
    CHECK(lines % 25 != 0 || secondNonZero == 0);

    std::free(ctx);
    std::free(gSecond);
    std::printf("sharing stress: %d lines framed and decoded (%d of them while the host thread "
                "was registering, reading and swapping the port), the same %d on a second channel "
                "at the same time, %d registrations (1 refused)\n",
                lines, overlapped, lines, registrations);
    return gFailures == 0 ? 0 : 1;
}
