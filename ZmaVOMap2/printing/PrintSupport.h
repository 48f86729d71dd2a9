// The control's print-support state, owned by the control from construction to destruction.
#pragma once

struct PrintSupport {
    bool printing = false;
    bool exporting = false;
};
