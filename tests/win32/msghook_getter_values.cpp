// The values msghook's constant getters give, by name. Kept apart from <windows.h>, whose macros
// carry the same names.
#include "win32/msghook_getter_values.h"

#include "recorder/msghook/msghook.h"
#include "recorder/msghook/msghook_module.h"

namespace kest::testing {

std::vector<NamedValue> MsghookGetterValues() {
#define KEST_GETTER(name) NamedValue{#name, recorder::msghook::name()},
    return {KEST_MSGHOOK_GETTERS(KEST_GETTER)
                NamedValue{"WM_CHANGECBCHAIN", static_cast<std::int32_t>(recorder::msghookModule::kWmChangeCbChain)}};
#undef KEST_GETTER
}

}  // namespace kest::testing
