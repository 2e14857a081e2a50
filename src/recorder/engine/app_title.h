#pragma once

#include "platform/types.h"

namespace kest::recorder {

// Caption of every message box the recorder shows.
inline const platform::Text kAppTitle = u"Velvra";
// Caption the recorder's windows are made with; the main window's title shows it.
inline const platform::Text kProductCaption = u"Velvra（Lumo）3.5";

}  // namespace kest::recorder
