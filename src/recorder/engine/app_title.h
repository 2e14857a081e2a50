#pragma once

#include "platform/types.h"

namespace kest::recorder {

// Caption of every message box the recorder shows.
inline const platform::Text kAppTitle = u"Velvra";

}  // namespace kest::recorder
