// Process entry: everything happens in the installer's entry routine.
#include <string>
#include <vector>

#include "core/Entry.h"

int main(int argc, char** argv) { return InstallerMain(std::vector<std::string>(argv, argv + argc)); }
