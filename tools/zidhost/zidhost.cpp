// zidhost: runs ZIZEZOZU.DLL as the Qelmar host does, with the stand-in host
// library, and shows what the driver makes of the panel: its log lines, each
// panel line readable in UTF-8, and a timeline line for every change of a
// gate or a status word. On a PC with a real COM port it is a commissioning
// console for a panel.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/version.h"
#include "standin/qelmar_sim.h"
#include "tools/common/driver_host.h"
#include "tools/common/file_facts.h"
#include "tools/common/result_text.h"
#include "tools/common/walk_test.h"
#include "tools/zidhost/options.h"
#include "tools/zidhost/output.h"
#include "tools/zidhost/package_check.h"
#include "tools/zidhost/session.h"

namespace {

using namespace zidhost;

// The version of zidhost, and of the driver file: what an engineer on site
// compares with the release's SHA256SUMS.
int Version(const Options& o) {
    std::printf("zidhost %s\n", ZID_VERSION_STRING);
    const std::string path = o.dll.empty() ? zidtools::DefaultDriverPath() : o.dll;
    zidtools::DriverLibrary driver;
    std::string error;
    if (!driver.Load(path, error)) {
        Error("%s", error.c_str());
        return kExitDll;
    }
    std::string sha;
    const std::string version = zidtools::FileVersionText(path);
    std::printf("driver  %s\n", path.c_str());
    std::printf("version %s\n", version.empty() ? "(no version resource)" : version.c_str());
    std::printf("sha256  %s\n", zidtools::Sha256OfFile(path, sha) ? sha.c_str() : "(unreadable)");
    std::printf("reports %s, driver code %d\n", driver.Info().name ? driver.Info().name : "?",
                driver.Info().driverCode);
    return 0;
}

// Command 16: the driver's modal dialog; the buffer holds at least 13 bytes.
int Compose(const zidtools::DriverLibrary& driver) {
    zidtools::DriverChannel channel(driver, 1);
    char address[13] = "";
    zid::AddressDialogArgs args{address, nullptr};
    const int32_t composed = channel.Call(zid::Command::kComposeAddress, &args);
    if (composed == zid::kDone) {
        std::printf("composed address: %s\n", address);
        return 0;
    }
    std::printf("no address was composed (result %d)\n", composed);
    return kExitNoAddress;
}

// The tags of a file checked with the driver's rules, then through command 3
// on a channel that was never started.
int CheckTags(const zidtools::DriverLibrary& driver, const Options& o) {
    std::vector<Tag> tags;
    int refused = ReadTagFile(o.checkTags, tags);
    if (refused < 0) return kExitUsage;
    zidtools::DriverChannel channel(driver, o.channels.front().number);
    refused += RegisterTags(channel, o.checkTags, tags, false);
    std::printf("%s: %zu tag(s) accepted, %d refused\n", o.checkTags.c_str(), tags.size(), refused);
    return refused == 0 ? 0 : kExitTags;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::string error;
    switch (ParseOptions(argc, argv, o, error)) {
        case Parsed::kHelp:
            std::fputs(kUsage, stdout);
            return 0;
        case Parsed::kBad:
            Error("%s", error.c_str());
            return kExitUsage;
        case Parsed::kRun:
            break;
    }
    SetConsoleOutputCP(CP_UTF8);
    if (o.version) return Version(o);
    if (o.verifyPackage) {
        return VerifyPackage(o.packageDir.empty() ? PackageFolderOfThisProgram() : o.packageDir,
                             [](const std::string& line) { std::printf("%s\n", line.c_str()); },
                             WindowsTrust);
    }

    if (!o.rebuildReport.empty()) {
        // From the journal alone: no driver, no port.
        std::string verdict;
        if (!zidtools::RebuildReport(o.rebuildReport, verdict)) {
            Error("%s", verdict.c_str());
            return kExitUsage;
        }
        std::printf("walk test: %s\nwritten: %s and %s\n", verdict.c_str(),
                    zidtools::PathIn(o.rebuildReport, "walk-test.md").c_str(),
                    zidtools::PathIn(o.rebuildReport, "walk-test.csv").c_str());
        return 0;
    }

    // The driver, loaded as the host loads it.
    zidtools::DriverLibrary driver;
    if (!driver.Load(o.dll.empty() ? zidtools::DefaultDriverPath() : o.dll, error)) {
        Error("%s", error.c_str());
        return kExitDll;
    }
    QelSimSetLogEcho(0);
    if (!o.logFile.empty() && QelSimSetLogFile(o.logFile.c_str()) != 0) {
        Error("cannot write the log file %s", o.logFile.c_str());
        return kExitUsage;
    }
    QelSimSetTickPeriod(static_cast<uint32_t>(o.tickMs));
    const zid::DriverInfo& info = driver.Info();
    Timeline("driver", "%s (code %d), context of %u bytes, defaults %u baud, timeout %d",
             info.name ? info.name : "?", info.driverCode, info.contextSize, info.line.baud,
             info.timeout);

    if (o.compose) return Compose(driver);
    if (!o.checkTags.empty()) return CheckTags(driver, o);
    Session session(o, driver);
    return session.Run();
}
