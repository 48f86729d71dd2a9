#include "ZmaVOMap2/printing/PrintSupport.h"

#include "platform/Result.h"

#include <new>

PrintSupport* PrintSupport::Create() {
    PrintSupport* support = new (std::nothrow) PrintSupport();
    if (!support) platform::ThrowHr(E_OUTOFMEMORY);
    return support;
}

void PrintSupport::Destroy(PrintSupport* support) { delete support; }
