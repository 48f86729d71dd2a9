// The barrier of a window, dialog or hook procedure whose failure has somewhere to go besides the
// log: a page that tells the user, a dialog that hands the failure to its caller afterwards.
#pragma once

#include "platform/Result.h"

namespace platform {

// Runs `action`. A failure is logged as the barrier logs it and handed to `onFailure` with its
// HRESULT, its error information set on the thread; nothing is raised. True when `action` ended
// normally.
template <class Action, class OnFailure>
bool Guarded(Action&& action, OnFailure&& onFailure) noexcept {
    try {
        action();
        return true;
    } catch (...) {
        const HRESULT hr = HandleCaughtException(__FILE__, __LINE__);
        try {
            onFailure(hr);
        }
        COM_CATCH_LOG();
        return false;
    }
}

// The description of the thread's error information, empty when there is none.
std::wstring CurrentErrorDescription();

}  // namespace platform
