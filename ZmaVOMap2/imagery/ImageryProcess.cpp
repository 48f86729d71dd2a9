#include "ZmaVOMap2/imagery/ImageryProcess.h"

namespace imagery {

namespace {
ImageryServices* g_services = nullptr;
}  // namespace

ProcessState& Process() {
    static ProcessState state;
    return state;
}

void SetImageryServices(ImageryServices* services) noexcept { g_services = services; }

ImageryServices* Services() noexcept { return g_services; }

}  // namespace imagery
