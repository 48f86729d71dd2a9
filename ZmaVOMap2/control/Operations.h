// The operations of the control that may fire events. While one runs, the control, its layer
// collection and the layers it works on stay alive, even when a host handler releases the
// control, calls PreDestroy or removes a series.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <functional>

class MapLayers;

class Operations {
public:
    Operations(IUnknown* owner, MapLayers& layers) noexcept : owner_(owner), layers_(layers) {}
    Operations(const Operations&) = delete;
    Operations& operator=(const Operations&) = delete;

    void Begin() noexcept;
    // The last thing done with the control for the operation: it may free it.
    void End() noexcept;
    bool Busy() const noexcept { return count_ > 0; }
    // Work left for the moment the last operation has ended.
    void OnIdle(std::function<void()> work) { idle_ = std::move(work); }

private:
    IUnknown* owner_;
    MapLayers& layers_;
    int count_ = 0;
    std::function<void()> idle_;
};

class OperationScope {
public:
    explicit OperationScope(Operations& operations) noexcept : operations_(operations) { operations_.Begin(); }
    ~OperationScope() { operations_.End(); }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

private:
    Operations& operations_;
};
