// Stand-in for the product's setup package. It carries the stand-in product and
// uninstaller inside itself (appended to its own executable by "--bundle"), so
// the one file the installer downloads really installs the product:
//   <package> /S -console=show -version=V -adminact=B -authorizationact=B
//             -dsc=B -ssc=B [extra arguments] -instdir="<folder>" /D=<folder>
// creates <folder>, writes "Quorvane.exe", "uninst.ep", "set.ini" and
// "package.args" (the arguments it received, one a line) and speaks the
// package's status protocol on standard output.
//
// Extra arguments (the installer's InstCmd) choose the behaviour:
//   -scenario=NAME            see below (default "success")
//   -override=false           set.ini says an installation over this folder keeps the old copy
//   -uninstall-scenario=NAME  the scenario the installed uninstaller will play
// Scenarios:
//   success     progress, installation, information lines, "State=Success"
//   fail        "State=Fail" and exit at once
//   error       "Error=<text>" and exit at once
//   silent      exit at once without output
//   nodecision  installation and information lines, no decisive line
//   slow        twenty progress steps of 150 ms, then as success
//   gbk         "Encode=936", a "Message=" line in GBK bytes, "Encode=UTF8", then as success
//   flood       bad and plentiful output, then as success
//   keepwriting "State=Success", then 1 MB more output before exiting
//   stderrflood 1 MiB to standard error, then as success ("Error=" when
//               nobody reads standard error for 10 s)
//   holdpipe    a grandchild keeps the output pipe open (and writes) for 2 s
//               after the package itself has exited with "State=Success";
//               "<folder>/holder.alive" exists while it runs
//   hang        "Progress=0.5", then waits (at most a minute) until a file
//               "<folder>/release" appears, removes it and exits
//   crash       progress, then abort()
//
// Build step: "<stub> --bundle <out> <product> <uninstaller>" writes <out>.
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "StandIn.h"

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'Q', 'V', 'P', 'K', 'G', '0', '0', '1'};

struct Trailer {
    std::uint64_t product_size;
    std::uint64_t uninstaller_size;
    char magic[8];
};

int Bundle(const std::string& out, const std::string& product, const std::string& uninstaller) {
    auto stub = standin::ReadFile(standin::OwnExecutable());
    auto product_bytes = standin::ReadFile(product);
    auto uninstaller_bytes = standin::ReadFile(uninstaller);
    if (!stub || !product_bytes || !uninstaller_bytes) return 1;
    Trailer trailer{product_bytes->size(), uninstaller_bytes->size(), {}};
    std::memcpy(trailer.magic, kMagic, sizeof kMagic);
    std::string all = *stub + *product_bytes + *uninstaller_bytes;
    all.append(reinterpret_cast<const char*>(&trailer), sizeof trailer);
    return standin::WriteFile(out, all, true) ? 0 : 1;
}

struct Payload {
    std::string product;
    std::string uninstaller;
};

bool ReadPayload(Payload& payload) {
    auto self = standin::ReadFile(standin::OwnExecutable());
    if (!self || self->size() < sizeof(Trailer)) return false;
    Trailer trailer;
    std::memcpy(&trailer, self->data() + self->size() - sizeof trailer, sizeof trailer);
    if (std::memcmp(trailer.magic, kMagic, sizeof kMagic) != 0) return false;
    std::uint64_t body = self->size() - sizeof trailer;
    if (trailer.product_size + trailer.uninstaller_size > body) return false;
    std::uint64_t start = body - trailer.product_size - trailer.uninstaller_size;
    payload.product = self->substr(start, trailer.product_size);
    payload.uninstaller = self->substr(start + trailer.product_size, trailer.uninstaller_size);
    return true;
}

std::string Flag(const std::vector<std::string>& args, const char* prefix) {
    return standin::ValueOf(args, prefix).value_or("");
}

bool Install(const std::vector<std::string>& args, const fs::path& folder) {
    Payload payload;
    if (!ReadPayload(payload)) {
        standin::Line("Error=安装包已损坏");
        return false;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        standin::Line("Error=无法创建安装目录");
        return false;
    }
    std::string received;
    for (const auto& arg : args) received += arg + "\n";
    std::string settings = "[Install]\nVersion=" + Flag(args, "-version=") + "\nDesktopShortcut=" +
                           Flag(args, "-dsc=") + "\nQuickLaunch=" + Flag(args, "-ssc=") +
                           "\n[Uninstall]\nIsOverride=" + standin::ValueOf(args, "-override=").value_or("true") +
                           "\n";
    if (auto uninstall = standin::ValueOf(args, "-uninstall-scenario="))
        settings += "[StandIn]\nUninstallScenario=" + *uninstall + "\n";
    bool written = standin::WriteFile(folder / "Quorvane.exe", payload.product, true) &&
                   standin::WriteFile(folder / "uninst.ep", payload.uninstaller, true) &&
                   standin::WriteFile(folder / "set.ini", settings, false) &&
                   standin::WriteFile(folder / "package.args", received, false);
    if (!written) standin::Line("Error=写入文件失败");
    return written;
}

void Information(const fs::path& folder) {
    standin::Line("InstallVersion=1.0.0");
    standin::Line("InstPath=" + folder.string());
    standin::Line("ExePath=" + (folder / "Quorvane.exe").string());
    standin::Line("UninstEp=" + (folder / "uninst.ep").string());
    standin::Line("StartupStyle=AutoStartup");
    standin::Line("TopShowDetention=1500");
    standin::Line("FinsihCloseDetention=3000");
    standin::Line("StartUrl=http://127.0.0.1/welcome");
    standin::Line("Message=安装完成");
}

void HoldPipeInGrandchild(const fs::path& folder) {
    fs::path alive = folder / "holder.alive";
    standin::WriteFile(alive, "", false);
    if (fork() != 0) return;  // the package goes on; the copy holds standard output
    signal(SIGPIPE, SIG_IGN);  // the reader may be gone: writes then just fail
    for (int i = 0; i < 20; ++i) {
        standin::Line("Message=still here");
        standin::SleepMs(100);
    }
    std::error_code error;
    fs::remove(alive, error);
    _exit(0);
}

void WaitForRelease(const fs::path& folder) {
    std::error_code error;
    fs::path release = folder / "release";
    for (int i = 0; i < 1200 && !fs::exists(release, error); ++i) standin::SleepMs(50);
    fs::remove(release, error);
}

}  // namespace

int main(int argc, char** argv) {
    auto args = standin::Arguments(argc, argv);
    if (args.size() == 4 && args[0] == "--bundle") return Bundle(args[1], args[2], args[3]);

    std::string scenario = standin::ValueOf(args, "-scenario=").value_or("success");
    fs::path folder = standin::ValueOf(args, "-instdir=").value_or(standin::TrailingValueOf(args, "/D=").value_or(""));

    if (scenario == "silent") return 0;
    standin::Line("Progress=0.1");
    if (scenario == "fail") {
        standin::Line("State=Fail");
        return 1;
    }
    if (scenario == "error") {
        standin::Line("Error=磁盘空间不足");
        return 1;
    }
    if (scenario == "crash") std::abort();
    if (folder.empty()) {
        standin::Line("Error=没有安装目录");
        return 1;
    }
    if (scenario == "hang") {
        std::error_code error;
        fs::create_directories(folder, error);
        standin::Line("Progress=0.5");
        WaitForRelease(folder);
        return 0;
    }
    if (scenario == "slow") {
        for (int i = 1; i <= 20; ++i) {
            standin::Line("Progress=" + std::to_string(0.1 + 0.04 * i));
            standin::SleepMs(150);
        }
    }
    if (scenario == "flood") standin::Flood();
    if (scenario == "stderrflood" && !standin::FloodStandardError(1024 * 1024, std::chrono::seconds(10))) {
        standin::Line("Error=standard error blocked");
        return 1;
    }
    if (scenario == "gbk") {
        standin::Line("Encode=936");
        standin::SleepMs(50);
        standin::Write("Message=\xb0\xb2\xd7\xb0\xcd\xea\xb3\xc9\n");  // "安装完成" in GBK
        standin::Line("Encode=UTF8");
    }
    if (!Install(args, folder)) return 1;
    standin::Line("Progress=0.9");
    Information(folder);
    if (scenario == "nodecision") return 0;
    if (scenario == "holdpipe") HoldPipeInGrandchild(folder);
    standin::Line("Progress=1");
    standin::Line("State=Success");
    if (scenario == "keepwriting") {
        std::string noise(1023, 'z');
        for (int i = 0; i < 1024; ++i) standin::Line(i % 100 == 0 ? "State=Fail" : noise);
    }
    return 0;
}
