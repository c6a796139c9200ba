// Stand-in for the installed product "Quorvane.exe": a real program that stays
// running until it is closed (SIGTERM/SIGINT/SIGHUP), so that the installer's
// "is the product running" checks have something real to find.
//   -exit-after-ms=N   end on its own after N milliseconds
#include <chrono>
#include <string>

#include "StandIn.h"

int main(int argc, char** argv) {
    auto args = standin::Arguments(argc, argv);
    long limit = 0;
    if (auto value = standin::ValueOf(args, "-exit-after-ms=")) limit = std::stol(*value);
    standin::WaitUntilClosed(std::chrono::milliseconds(limit));
    return 0;
}
