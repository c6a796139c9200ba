#include "core/LaunchSettings.h"

// Built during static initialisation, before the entry routine runs.
LaunchSettings& TheLaunchSettings() {
    static LaunchSettings settings;
    return settings;
}
