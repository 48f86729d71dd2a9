// The control's print-support state, owned by the control from construction to destruction.
#pragma once

struct PrintSupport {
    static PrintSupport* Create();
    static void Destroy(PrintSupport* support);

    bool printing = false;
    bool exporting = false;
};
