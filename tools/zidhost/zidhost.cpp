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
#include "tools/common/files.h"
#include "tools/common/walk_report.h"
#include "tools/zidhost/console.h"
#include "tools/zidhost/exit_codes.h"
#include "tools/zidhost/options.h"
#include "tools/zidhost/package_check.h"
#include "tools/zidhost/session.h"
#include "tools/zidhost/tag_registration.h"

namespace {

using namespace zidhost;

// The version of zidhost, and of the driver file: what an engineer on site
// compares with the release's SHA256SUMS.
int Version(const Options& o) {
    std::printf("zidhost %s\n", ZID_VERSION_STRING);
    const std::string path = o.dll.empty() ? zidtools::DefaultDriverPath() : o.dll;
    zidtools::DriverLibrary driver;
    if (zidtools::Status loaded = driver.Load(path); !loaded) {
        Error("%s", loaded.Error().c_str());
        return kExitDll;
    }
    const std::string version = zidtools::FileVersionText(path);
    const zidtools::Outcome<std::string> sha = zidtools::Sha256OfFile(path);
    std::printf("driver  %s\n", path.c_str());
    std::printf("version %s\n", version.empty() ? "(no version resource)" : version.c_str());
    std::printf("sha256  %s\n", sha ? sha->c_str() : "(unreadable)");
    std::printf("reports %s, driver code %d\n", driver.Info().name ? driver.Info().name : "?",
                driver.Info().driverCode);
    return kExitDone;
}

// Command 16: the driver's modal dialog; the buffer holds at least 13 bytes.
int Compose(const zidtools::DriverLibrary& driver) {
    zidtools::DriverChannel channel(driver, 1);
    char address[13] = "";
    zid::AddressDialogArgs args{address, nullptr};
    const int32_t composed = channel.Call(zid::Command::kComposeAddress, &args);
    if (composed == zid::kDone) {
        std::printf("composed address: %s\n", address);
        return kExitDone;
    }
    std::printf("no address was composed (result %d)\n", composed);
    return kExitNoAddress;
}

// The tags of a file checked with the driver's rules, then through command 3
// on a channel that was never started.
int CheckTags(const zidtools::DriverLibrary& driver, const Options& o) {
    zidtools::Outcome<CheckedTags> checked = ReadTagFile(o.checkTags);
    if (!checked) {
        Error("%s", checked.Error().c_str());
        return kExitUsage;
    }
    zidtools::DriverChannel channel(driver, o.channels.front().number);
    const int refused = checked->refused + RegisterTags(channel, o.checkTags, checked->accepted, false);
    std::printf("%s: %zu tag(s) accepted, %d refused\n", o.checkTags.c_str(),
                checked->accepted.size(), refused);
    return refused == 0 ? kExitDone : kExitTags;
}

// The walk-test record from the journal alone: no driver, no port.
int RebuildReport(const Options& o) {
    const std::string& dir = o.rebuildReport;
    const zidtools::Outcome<zidtools::RebuiltReport> rebuilt =
        zidtools::RebuildReport(dir, {o.language, o.record});
    if (!rebuilt) {
        Error("%s", rebuilt.Error().c_str());
        return kExitUsage;
    }
    std::printf("walk test: %s\nwritten: %s (to print and sign), %s and %s\n", rebuilt->verdict.c_str(),
                zidtools::PathIn(dir, zidtools::kWalkRecordHtmlName).c_str(),
                zidtools::PathIn(dir, zidtools::kWalkReportMarkdownName).c_str(),
                zidtools::PathIn(dir, zidtools::kWalkReportCsvName).c_str());
    if (rebuilt->skipped.empty()) return kExitDone;
    ReportSkippedRows(zidtools::PathIn(dir, zidtools::kJournalFileName), rebuilt->skipped);
    return kExitJournal;
}

}  // namespace

int main(int argc, char** argv) {
    const zidtools::Outcome<Options> parsed = ParseOptions(argc, argv);
    if (!parsed) {
        Error("%s", parsed.Error().c_str());
        return kExitUsage;
    }
    const Options& o = *parsed;
    if (o.help) {
        std::fputs(Usage().c_str(), stdout);
        return kExitDone;
    }
    SetConsoleOutputCP(CP_UTF8);
    for (const std::string& notice : o.notices) Error("%s", notice.c_str());
    if (o.version) return Version(o);
    if (o.verifyPackage) {
        return VerifyPackage(o.packageDir.empty() ? PackageFolderOfThisProgram() : o.packageDir,
                             [](const std::string& line) { std::printf("%s\n", line.c_str()); },
                             WindowsTrust);
    }
    if (!o.rebuildReport.empty()) return RebuildReport(o);

    // The driver, loaded as the host loads it.
    zidtools::DriverLibrary driver;
    if (zidtools::Status loaded = driver.Load(o.dll.empty() ? zidtools::DefaultDriverPath() : o.dll);
        !loaded) {
        Error("%s", loaded.Error().c_str());
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
