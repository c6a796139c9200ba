// Stand-in for the product's uninstaller ("uninst.ep", run by the installer as a
// copy named "Quorvane_un_asa.exe"). Command line:
//   <path> /S -adminact=B -authorizationact=B -console=show _?=<folder>
// It removes what the stand-in setup package installed in <folder> and speaks
// the uninstaller's status protocol on standard output.
//
// Scenario: "-scenario=NAME", else "UninstallScenario" in section "StandIn" of
// <folder>/set.ini (written by the setup package when asked), else "success".
//   success     progress, removal, "State=Success"
//   fail        "State=Fail" and exit at once
//   error       "Error=<text>" and exit at once
//   nodecision  removal, exit without a decisive line
//   keeprunning removal, "State=Success", then runs on for a while writing noise
//   encode936   "Encode=936", then an "Error=" line in GBK bytes
//   flood       bad and plentiful output, then removal and "State=Success"
//   stderrflood 1 MiB to standard error, then as success ("Error=" when
//               nobody reads standard error for 10 s)
//   crash       progress, then abort()
//   silent      exit at once without output
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "StandIn.h"

namespace fs = std::filesystem;

namespace {

bool RemoveInstallation(const fs::path& folder) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return false;
    for (const char* name : {"Quorvane.exe", "uninst.ep", "set.ini", "package.args"}) fs::remove(folder / name, error);
    fs::remove(folder, error);  // only when nothing else is left in it
    return true;
}

void Progress(int steps, int pause_ms) {
    for (int i = 1; i <= steps; ++i) {
        standin::Line("Progress=" + std::to_string(static_cast<double>(i) / steps));
        standin::SleepMs(pause_ms);
    }
}

}  // namespace

int main(int argc, char** argv) {
    auto args = standin::Arguments(argc, argv);
    fs::path folder = standin::TrailingValueOf(args, "_?=").value_or("");
    std::string scenario = standin::ValueOf(args, "-scenario=")
                               .value_or(standin::ProfileValue(folder / "set.ini", "StandIn", "UninstallScenario")
                                             .value_or("success"));

    if (scenario == "silent") return 0;
    if (scenario == "fail") {
        standin::Line("Progress=0.5");
        standin::Line("State=Fail");
        return 1;
    }
    if (scenario == "error") {
        standin::Line("Error=卸载被用户取消");
        return 1;
    }
    if (scenario == "encode936") {
        standin::Line("Encode=936");
        standin::SleepMs(50);
        standin::Write("Error=\xd0\xb6\xd4\xd8\xca\xa7\xb0\xdc\n");  // "卸载失败" in GBK
        return 1;
    }
    if (scenario == "crash") {
        standin::Line("Progress=0.3");
        std::abort();
    }
    if (scenario == "flood") standin::Flood();
    if (scenario == "stderrflood" && !standin::FloodStandardError(1024 * 1024, std::chrono::seconds(10))) {
        standin::Line("Error=standard error blocked");
        return 1;
    }

    Progress(4, 20);
    if (!RemoveInstallation(folder)) {
        standin::Line("Error=安装目录不存在");
        return 1;
    }
    if (scenario == "nodecision") return 0;
    standin::Line("State=Success");
    if (scenario == "keeprunning") {
        for (int i = 0; i < 10; ++i) {
            standin::Line("Progress=1");
            standin::Line("State=Fail");
            standin::SleepMs(100);
        }
    }
    return 0;
}
