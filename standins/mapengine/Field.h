// A field of a dataset, and the fields collection.
#pragma once

#include "standins/mapengine/EngineObject.h"

#include "MapEngine.h"

#include <string>
#include <vector>

namespace mapengine {

class Field : public EngineComObject<Field> {
public:
    static constexpr const wchar_t* kName = L"Field";
    static const IID& DispInterfaceId() { return DIID_DField; }
    static const MemberTable<Field>& Members();

    static platform::ComPtr<Field> Make(std::wstring name);
    const std::wstring& Name() const noexcept { return name_; }

private:
    std::wstring name_;
    short type_ = 0;  // text
};

class Fields : public EngineComObject<Fields> {
public:
    static constexpr const wchar_t* kName = L"Fields";
    static const IID& DispInterfaceId() { return DIID_DFields; }
    static const MemberTable<Fields>& Members();

    static platform::ComPtr<Fields> Make(const std::vector<std::wstring>& names);

private:
    void GetCount(Call& c);
    void Item(Call& c);

    std::vector<platform::ComPtr<Field>> fields_;
};

}  // namespace mapengine
