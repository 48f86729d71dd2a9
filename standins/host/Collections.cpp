// Host collections handed to the control: the string list (also the selection collection), the
// region set with its regions and polygons, and the attribute collection.
#include "standins/host/Classes.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Result.h"

namespace hoststandin {

using platform::ComPtr;
using platform::Variant;

namespace {

class HostStringList
    : public platform::ComObject<HostStringList, platform::DualImpl<IHostStringList>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostStringList>>> {
public:
    HostStringList() : faults_(L"stringlist") { BindLog(log_); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP get_Count(long* count) override {
        Log().Add(CallLine(L"get_Count"));
        if (!count) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"get_Count"));
        *count = static_cast<long>(items_.size());
        return S_OK;
    }

    STDMETHODIMP Item(VARIANT index, VARIANT* item) override {
        Log().Add(CallLine(L"Item", index));
        if (!item) return E_POINTER;
        ::VariantInit(item);
        RETURN_IF_FAILED(faults_.Check(L"Item"));
        COM_TRY {
            Variant position;
            if (FAILED(::VariantChangeType(position.Put(), &index, 0, VT_I4))) return DISP_E_TYPEMISMATCH;
            if (position.lVal < 0 || static_cast<size_t>(position.lVal) >= items_.size()) return DISP_E_BADINDEX;
            *item = Variant(items_[position.lVal]).Detach();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved11() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved12() override { return E_NOTIMPL; }

    // Keys are not looked up by anything, so equal keys are fine.
    STDMETHODIMP Add(VARIANT item, VARIANT key, VARIANT before) override {
        Log().Add(CallLine(L"Add", item, key, before));
        RETURN_IF_FAILED(faults_.Check(L"Add"));
        COM_TRY {
            items_.emplace_back(item);
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Clear() override {
        Log().Add(CallLine(L"Clear"));
        RETURN_IF_FAILED(faults_.Check(L"Clear"));
        items_.clear();
        return S_OK;
    }

private:
    CallLog log_;
    Faults faults_;
    std::vector<Variant> items_;
};

class HostRegionPolygon : public platform::ComObject<HostRegionPolygon, IRegionPolygon> {
public:
    STDMETHODIMP AppendPoint(double longitude, double latitude) override {
        COM_TRY {
            points_.push_back({longitude, latitude});
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP GetCount(unsigned long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<unsigned long>(points_.size());
        return S_OK;
    }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP GetLatitude(unsigned long index, double* latitude) override {
        if (!latitude) return E_POINTER;
        if (index >= points_.size()) return E_INVALIDARG;
        *latitude = points_[index].second;
        return S_OK;
    }
    STDMETHODIMP GetLongitude(unsigned long index, double* longitude) override {
        if (!longitude) return E_POINTER;
        if (index >= points_.size()) return E_INVALIDARG;
        *longitude = points_[index].first;
        return S_OK;
    }

private:
    std::vector<std::pair<double, double>> points_;  // longitude, latitude
};

// Answers `iid` of the item at `index`, or E_INVALIDARG past the end.
template <class T>
HRESULT ItemAt(const std::vector<ComPtr<T>>& items, unsigned long index, REFIID iid, IUnknown** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index >= items.size()) return E_INVALIDARG;
    return items[index]->QueryInterface(iid, reinterpret_cast<void**>(out));
}

template <class T>
HRESULT AppendNew(std::vector<ComPtr<T>>& items, REFIID iid, IUnknown** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    COM_TRY {
        ComPtr<T> item = platform::MakeObject<T>();
        RETURN_IF_FAILED(item->QueryInterface(iid, reinterpret_cast<void**>(out)));
        items.push_back(item);
        return S_OK;
    }
    COM_CATCH_RETURN();
}

class HostRegion : public platform::ComObject<HostRegion, IRegion> {
public:
    STDMETHODIMP AddPolygon(REFIID iid, IUnknown** polygon) override { return AppendNew(polygons_, iid, polygon); }
    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP GetCount(unsigned long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<unsigned long>(polygons_.size());
        return S_OK;
    }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
    STDMETHODIMP GetPolygon(unsigned long index, REFIID iid, IUnknown** polygon) override {
        return ItemAt(polygons_, index, iid, polygon);
    }

private:
    std::vector<ComPtr<HostRegionPolygon>> polygons_;
};

class HostRegionSet : public platform::ComObject<HostRegionSet, IRegionSet, CallLogDual> {
public:
    HostRegionSet() : faults_(L"regionset") { BindLog(log_); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP AddRegion(REFIID iid, IUnknown** region) override {
        Log().Add(CallLine(L"AddRegion", iid));
        RETURN_IF_FAILED(faults_.Check(L"AddRegion"));
        return AppendNew(regions_, iid, region);
    }
    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP GetCount(unsigned long* count) override {
        Log().Add(CallLine(L"GetCount"));
        if (!count) return E_POINTER;
        RETURN_IF_FAILED(faults_.Check(L"GetCount"));
        *count = static_cast<unsigned long>(regions_.size());
        return S_OK;
    }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved11() override { return E_NOTIMPL; }
    STDMETHODIMP GetRegion(unsigned long index, REFIID iid, IUnknown** region) override {
        Log().Add(CallLine(L"GetRegion", index, iid));
        RETURN_IF_FAILED(faults_.Check(L"GetRegion"));
        return ItemAt(regions_, index, iid, region);
    }
    STDMETHODIMP Reserved13() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved14() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved15() override { return E_NOTIMPL; }
    STDMETHODIMP RemoveAll() override {
        Log().Add(CallLine(L"RemoveAll"));
        RETURN_IF_FAILED(faults_.Check(L"RemoveAll"));
        regions_.clear();
        return S_OK;
    }

private:
    CallLog log_;
    Faults faults_;
    std::vector<ComPtr<HostRegion>> regions_;
};

class HostAttribute : public platform::ComObject<HostAttribute, IHostAttribute> {
public:
    HostAttribute(std::wstring name, bool isArray) : name_(std::move(name)), isArray_(isArray) {}

    STDMETHODIMP GetName(BSTR* name) override {
        COM_TRY { return CopyOut(name_, name); }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP IsArray(VARIANT_BOOL* isArray) override {
        if (!isArray) return E_POINTER;
        *isArray = isArray_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    const std::wstring& Name() const noexcept { return name_; }

private:
    std::wstring name_;
    bool isArray_;
};

class HostAttributes
    : public platform::ComObject<HostAttributes, IHostAttributes, platform::DualImpl<IHostAttributesSetup>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostAttributesSetup>>> {
public:
    HostAttributes() : faults_(L"attributes") { BindLog(log_); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP Item(VARIANT name, IHostAttribute** attribute) override {
        Log().Add(CallLine(L"Item", name));
        if (!attribute) return E_POINTER;
        *attribute = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"Item"));
        if (name.vt != VT_BSTR || !name.bstrVal) return DISP_E_TYPEMISMATCH;
        for (const ComPtr<HostAttribute>& a : attributes_) {
            if (a->Name() == name.bstrVal) {
                *attribute = a.Get();
                (*attribute)->AddRef();
                return S_OK;
            }
        }
        return Fail(DISP_E_BADINDEX, std::wstring(L"No attribute ") + name.bstrVal, L"Attributes");
    }

    STDMETHODIMP AddAttribute(BSTR name, VARIANT_BOOL isArray) override {
        if (!name || !*name) return E_INVALIDARG;
        COM_TRY {
            attributes_.push_back(platform::MakeObject<HostAttribute>(std::wstring(name), isArray != VARIANT_FALSE));
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP get_AttributeCount(long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<long>(attributes_.size());
        return S_OK;
    }

    STDMETHODIMP AttributeName(long index, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        if (index < 0 || index >= static_cast<long>(attributes_.size())) return DISP_E_BADINDEX;
        COM_TRY { return CopyOut(attributes_[static_cast<size_t>(index)]->Name(), name); }
        COM_CATCH_RETURN();
    }

private:
    CallLog log_;
    Faults faults_;
    std::vector<ComPtr<HostAttribute>> attributes_;
};

}  // namespace

HRESULT CreateStringListClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostStringList>(iid, out);
}

HRESULT CreateRegionSetClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostRegionSet>(iid, out);
}

HRESULT CreateAttributesClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostAttributes>(iid, out);
}

}  // namespace hoststandin
