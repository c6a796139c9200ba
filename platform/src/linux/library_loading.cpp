#include "platform/library_loading.h"

namespace platform {

// The loader's search order already leaves out the folders a stranger could
// write into (see the header); nothing to do.
void HardenLibraryLoading() {}

}  // namespace platform
