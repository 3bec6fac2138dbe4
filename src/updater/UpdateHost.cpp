#include "updater/UpdateCheck.h"

// Kept alone in its file so that a build for another server can link its own definition.
#ifndef HOPPLIX_UPDATE_HOST
#define HOPPLIX_UPDATE_HOST ""
#endif

namespace hopplix {

std::string configuredUpdateHost() { return HOPPLIX_UPDATE_HOST; }

} // namespace hopplix
