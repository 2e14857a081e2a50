#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Every constant getter of msghook, by its SDK name: one list for the getters' side, which must
// not see <windows.h>, and the SDK's side, which sees nothing else.
#define KEST_MSGHOOK_GETTERS(X)                                                                                   \
    X(SC_KEYMENU)                                                                                                 \
    X(SC_HOTKEY) X(SC_MOVE) X(SC_SIZE) X(SC_MINIMIZE) X(SC_MAXIMIZE) X(SC_CLOSE) X(SC_RESTORE) X(MK_LBUTTON)      \
        X(MK_RBUTTON) X(MK_MBUTTON) X(MK_SHIFT) X(MK_CONTROL) X(MOD_ALT) X(MOD_CONTROL) X(MOD_SHIFT) X(WM_MOVE)   \
            X(WM_SIZE) X(WM_SYSCOMMAND) X(WM_COMMAND) X(WM_ACTIVATEAPP) X(WM_NCACTIVATE) X(WM_GETMINMAXINFO)      \
                X(WM_QUERYOPEN) X(WM_HOTKEY) X(WM_DRAWCLIPBOARD) X(WM_QUERYENDSESSION) X(WM_KEYDOWN) X(WM_KEYUP)  \
                    X(WM_MOUSEMOVE) X(WM_LBUTTONDOWN) X(WM_LBUTTONUP) X(WM_LBUTTONDBLCLK) X(WM_RBUTTONDOWN)       \
                        X(WM_RBUTTONUP) X(WM_RBUTTONDBLCLK) X(WM_MBUTTONDOWN) X(WM_MBUTTONUP) X(WM_MBUTTONDBLCLK) \
                            X(WM_NCMOUSEMOVE) X(WM_NCLBUTTONDOWN) X(WM_NCLBUTTONUP) X(WM_NCLBUTTONDBLCLK)         \
                                X(WM_NCRBUTTONDOWN) X(WM_NCRBUTTONUP) X(WM_NCRBUTTONDBLCLK) X(WM_NCMBUTTONDOWN)   \
                                    X(WM_NCMBUTTONUP) X(WM_NCMBUTTONDBLCLK)

namespace kest::testing {

struct NamedValue {
    std::string name;
    std::int32_t value;
};

// The getters' values, and the chain notice its module keeps, by SDK name.
std::vector<NamedValue> MsghookGetterValues();

}  // namespace kest::testing
