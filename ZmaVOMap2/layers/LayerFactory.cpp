#include "ZmaVOMap2/layers/LayerFactory.h"

#include "ZmaVOMap2/layers/ZmaVadAZLayer.h"

#include <map>

struct LayerFactory::Entries {
    std::map<int, Constructor> constructors;
    std::map<std::pair<int, std::string>, Constructor> named;
};

LayerFactory& LayerFactory::Instance() {
    static LayerFactory factory;
    return factory;
}

LayerFactory::Entries& LayerFactory::Table() const {
    static Entries entries;
    return entries;
}

void LayerFactory::Register(int type, Constructor constructor) { Table().constructors[type] = std::move(constructor); }

bool LayerFactory::IsRegistered(int type) const { return Table().constructors.count(type) != 0; }

std::unique_ptr<CZmaVadAZLayer> LayerFactory::Create(int type, IDispatch* map, CZmaVadAZLayerCollection* owner) const {
    auto it = Table().constructors.find(type);
    if (it == Table().constructors.end()) return std::make_unique<CZmaVadAZLayer>(map, owner);
    return it->second(map, owner, type);
}

void LayerFactory::Register(int type, const std::string& kind, Constructor constructor) {
    Table().named[{type, kind}] = std::move(constructor);
}

std::unique_ptr<CZmaVadAZLayer> LayerFactory::Create(int type, const std::string& kind, IDispatch* map,
                                                     CZmaVadAZLayerCollection* owner) const {
    auto it = Table().named.find({type, kind});
    if (it == Table().named.end()) return Create(type, map, owner);
    return it->second(map, owner, type);
}
