// Makes the layer object for a layer type code. Each layer kind registers its constructor for the
// type codes it serves; codes nobody registered get a plain layer of the base class, which serves
// tables, attached engine layers and the annotations layer. The collection creates every layer
// through here and so never names a kind.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <memory>
#include <string>

class CZmaVadAZLayer;
class CZmaVadAZLayerCollection;

class LayerFactory {
public:
    using Constructor = std::function<std::unique_ptr<CZmaVadAZLayer>(IDispatch* map, CZmaVadAZLayerCollection* owner,
                                                                      int type)>;

    // The factory every collection of the process uses.
    static LayerFactory& Instance();

    // A later registration for the same code replaces the earlier one.
    void Register(int type, Constructor constructor);
    bool IsRegistered(int type) const;
    // Raises what the constructor raises.
    std::unique_ptr<CZmaVadAZLayer> Create(int type, IDispatch* map, CZmaVadAZLayerCollection* owner) const;

    // Kinds that share one type code (the lines-to-cells layers are all type 7) register under a
    // name as well. Creating a name nobody registered falls back to the type code alone.
    void Register(int type, const std::string& kind, Constructor constructor);
    std::unique_ptr<CZmaVadAZLayer> Create(int type, const std::string& kind, IDispatch* map,
                                           CZmaVadAZLayerCollection* owner) const;

private:
    LayerFactory() = default;
    struct Entries;
    Entries& Table() const;
};
