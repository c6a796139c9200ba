#pragma once
// Keeping planted libraries out of the process.
//
// A Windows program started from a download folder must stop the loader from
// searching that folder before anything loads a library lazily. The Linux
// loader never searches the current or the executable's folder (only the
// run-path baked into the binary, the system paths and LD_LIBRARY_PATH, which
// the user controls anyway), so there is nothing to change here; the call
// stays so the entry routine keeps the same shape on every system.
namespace platform {

// Call first thing in the entry routine, before any library is loaded on demand.
void HardenLibraryLoading();

}  // namespace platform
