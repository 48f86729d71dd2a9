// The package manager: turns "terravex://" addresses into files and opens XML resources. An object
// of the class registers itself in the running object table with Start, as the host's own does.
#include "standins/host/Classes.h"
#include "standins/host/Package.h"
#include "standins/host/StandIn.h"

#include "platform/ClassFactory.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"

#include <urlmon.h>

#include <cwctype>

namespace hoststandin {

using platform::Bstr;
using platform::ComPtr;

namespace {

// MSXML 4's document class; the system headers declare it without defining it.
const CLSID kClsidDomDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
}  // namespace

const IID kIidXmlDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidXmlElement = {0x2933BF86, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

namespace {

const wchar_t kScheme[] = L"terravex://";
const size_t kSchemeLength = sizeof kScheme / sizeof kScheme[0] - 1;
const wchar_t kRotName[] = L"Terravex://ZmoPackageManager";

struct PackageSettings {
    std::mutex mutex;
    std::wstring root;
    std::wstring writable;
    DWORD rotCookie = 0;
};

PackageSettings& Settings() {
    static PackageSettings settings;
    return settings;
}

std::wstring Env(const wchar_t* name) {
    wchar_t buf[MAX_PATH * 2];
    DWORD n = ::GetEnvironmentVariableW(name, buf, sizeof buf / sizeof buf[0]);
    return n && n < sizeof buf / sizeof buf[0] ? std::wstring(buf, n) : std::wstring();
}

std::wstring WithoutTrailingSlash(std::wstring s) {
    while (s.size() > 3 && (s.back() == L'\\' || s.back() == L'/')) s.pop_back();
    return s;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The part of the address after the scheme as a relative path with backslashes; false when it
// climbs out of the root.
bool RelativePath(const std::wstring& address, std::wstring& relative) {
    if (!IsPackageAddress(address.c_str())) return false;
    relative.clear();
    std::wstring rest = address.substr(kSchemeLength);
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t end = rest.find_first_of(L"/\\", pos);
        if (end == std::wstring::npos) end = rest.size();
        std::wstring part = rest.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == L".") continue;
        if (part == L".." || part.find(L':') != std::wstring::npos) return false;
        if (!relative.empty()) relative += L'\\';
        relative += part;
    }
    return true;
}

std::wstring Join(const std::wstring& folder, const std::wstring& relative) {
    return relative.empty() ? folder : folder + L"\\" + relative;
}

}  // namespace

bool IsPackageAddress(const wchar_t* text) { return text && ::_wcsnicmp(text, kScheme, kSchemeLength) == 0; }

std::wstring PackageRoot() {
    {
        std::lock_guard<std::mutex> guard(Settings().mutex);
        if (!Settings().root.empty()) return Settings().root;
    }
    std::wstring env = Env(L"VADAZ_HOST_PACKAGE_ROOT");
    if (!env.empty()) return WithoutTrailingSlash(env);
    return platform::Module::Folder() + L"package";
}

std::wstring WritablePackageRoot() {
    {
        std::lock_guard<std::mutex> guard(Settings().mutex);
        if (!Settings().writable.empty()) return Settings().writable;
    }
    std::wstring env = Env(L"VADAZ_HOST_PACKAGE_WRITABLE");
    if (!env.empty()) return WithoutTrailingSlash(env);
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = WithoutTrailingSlash(std::wstring(temp, n));
    FILETIME created = {}, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const ULONGLONG started = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    return folder + L"\\VadazHostPackage\\" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(started);
}

void SetPackageRoot(const std::wstring& folder) {
    std::lock_guard<std::mutex> guard(Settings().mutex);
    Settings().root = WithoutTrailingSlash(folder);
}

void SetWritablePackageRoot(const std::wstring& folder) {
    std::lock_guard<std::mutex> guard(Settings().mutex);
    Settings().writable = WithoutTrailingSlash(folder);
}

void CreateFolders(const std::wstring& folder) {
    for (size_t pos = folder.find(L'\\', 3); ; pos = folder.find(L'\\', pos + 1)) {
        std::wstring part = pos == std::wstring::npos ? folder : folder.substr(0, pos);
        if (!part.empty() && !Exists(part)) ::CreateDirectoryW(part.c_str(), nullptr);
        if (pos == std::wstring::npos) break;
    }
}

HRESULT ResolveForRead(const std::wstring& address, std::wstring& path, bool prepareFolders) {
    std::wstring relative;
    if (!RelativePath(address, relative)) return E_INVALIDARG;
    std::wstring writable = Join(WritablePackageRoot(), relative);
    DWORD attributes = ::GetFileAttributesW(writable.c_str());
    if (!relative.empty() && attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        path = writable;
        return S_OK;
    }
    std::wstring shipped = Join(PackageRoot(), relative);
    if (relative.empty() || Exists(shipped)) {
        path = shipped;
        return S_OK;
    }
    // A missing file is where a write would put it, so that callers can create it there.
    path = writable;
    if (prepareFolders) CreateFolders(path.substr(0, path.find_last_of(L'\\')));
    return S_OK;
}

HRESULT ResolveForWrite(const std::wstring& address, std::wstring& path) {
    std::wstring relative;
    if (!RelativePath(address, relative) || relative.empty()) return E_INVALIDARG;
    path = Join(WritablePackageRoot(), relative);
    size_t slash = path.find_last_of(L'\\');
    if (slash != std::wstring::npos) CreateFolders(path.substr(0, slash));
    return S_OK;
}

HRESULT CreateXmlDocument(ComPtr<IXMLDOMDocument2>& doc) {
    RETURN_IF_FAILED(::CoCreateInstance(kClsidDomDocument40, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDocument2,
                                        doc.PutVoid()));
    return doc->put_async(VARIANT_FALSE);
}

HRESULT LoadXmlFile(const std::wstring& path, ComPtr<IXMLDOMDocument2>& doc) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    RETURN_IF_FAILED(CreateXmlDocument(doc));
    platform::Variant source(path);
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = doc->load(source, &ok);
    if (FAILED(hr)) return hr;
    return ok == VARIANT_TRUE ? S_OK : E_FAIL;
}

namespace {

class HostPackageManager
    : public platform::ComObject<HostPackageManager, IHostPackageManager, ISupportErrorInfo,
                                 platform::DualImpl<IHostPackageTest>, CallLogDual,
                                 platform::Also<IDispatch, platform::DualImpl<IHostPackageTest>>> {
public:
    HostPackageManager() : faults_(L"packagemanager") { BindLog(ClassLog(L"packagemanager")); }

    HRESULT FinalConstruct() { return faults_.Check(L"create"); }

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return IsEqualIID(iid, IID_IHostPackageManager) ? S_OK : S_FALSE;
    }

    // The running object table is shared by every process of the machine and keeps the entry
    // of a process that ended without revoking it, which then answers lookups with an RPC
    // failure. So the registration goes when the registering thread leaves COM for the last time.
    class RevokeAtUninitialize final : public IInitializeSpy {
    public:
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            if (!out) return E_POINTER;
            *out = nullptr;
            if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IInitializeSpy)) return E_NOINTERFACE;
            *out = static_cast<IInitializeSpy*>(this);
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return 1; }
        STDMETHODIMP_(ULONG) Release() override { return 1; }
        STDMETHODIMP PreInitialize(DWORD, DWORD) override { return S_OK; }
        STDMETHODIMP PostInitialize(HRESULT hr, DWORD, DWORD) override { return hr; }
        STDMETHODIMP PreUninitialize(DWORD apartmentRefs) override {
            if (apartmentRefs != 1) return S_OK;
            DWORD cookie = 0;
            {
                std::lock_guard<std::mutex> guard(Settings().mutex);
                cookie = Settings().rotCookie;
                Settings().rotCookie = 0;
            }
            ComPtr<IRunningObjectTable> rot;
            if (cookie && SUCCEEDED(::GetRunningObjectTable(0, rot.Put()))) rot->Revoke(cookie);
            // Off the thread's list too: COM would otherwise call a spy whose library is gone.
            ::CoRevokeInitializeSpy(spyCookie);
            spyCookie.QuadPart = 0;
            return S_OK;
        }
        STDMETHODIMP PostUninitialize(DWORD) override { return S_OK; }

        ULARGE_INTEGER spyCookie = {};
    };

    static void RevokeWhenComEnds() {
        static RevokeAtUninitialize spy;
        if (spy.spyCookie.QuadPart == 0) ::CoRegisterInitializeSpy(&spy, &spy.spyCookie);
    }

    STDMETHODIMP Start() override {
        Log().Add(CallLine(L"Start"));
        RETURN_IF_FAILED(faults_.Check(L"Start"));
        COM_TRY {
            std::lock_guard<std::mutex> guard(Settings().mutex);
            if (Settings().rotCookie) return S_FALSE;
            ComPtr<IRunningObjectTable> rot;
            THROW_IF_FAILED(::GetRunningObjectTable(0, rot.Put()));
            ComPtr<IMoniker> name;
            THROW_IF_FAILED(::CreateURLMonikerEx(nullptr, kRotName, name.Put(), URL_MK_UNIFORM));
            DWORD cookie = 0;
            THROW_IF_FAILED(rot->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, static_cast<IHostPackageManager*>(this),
                                          name.Get(), &cookie));
            Settings().rotCookie = cookie;
            RevokeWhenComEnds();
            return S_OK;
        }
        COM_CATCH_RETURN();
    }

    STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved10() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved11() override { return E_NOTIMPL; }

    STDMETHODIMP Open(BSTR address, IUnknown** document) override {
        Log().Add(CallLine(L"Open", address));
        return OpenXml(L"Open", address, document);
    }

    STDMETHODIMP Reserved13() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved14() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved15() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved16() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved17() override { return E_NOTIMPL; }

    STDMETHODIMP OpenDocument(BSTR address, IUnknown** document) override {
        Log().Add(CallLine(L"OpenDocument", address));
        return OpenXml(L"OpenDocument", address, document);
    }

    STDMETHODIMP Reserved19() override { return E_NOTIMPL; }
    STDMETHODIMP Reserved20() override { return E_NOTIMPL; }

    STDMETHODIMP ResolvePath(BSTR address, long flags, BSTR* path) override {
        Log().Add(CallLine(L"ResolvePath", address, flags));
        if (!path) return E_POINTER;
        *path = nullptr;
        RETURN_IF_FAILED(faults_.Check(L"ResolvePath"));
        COM_TRY {
            std::wstring file;
            if (FAILED(ResolveForRead(address ? address : L"", file, true)))
                return Fail(E_INVALIDARG, L"Not a package address", L"PackageManager");
            return CopyOut(file, path);
        }
        COM_CATCH_RETURN();
    }

    // IHostPackageTest
    STDMETHODIMP get_Root(BSTR* folder) override {
        COM_TRY { return CopyOut(PackageRoot(), folder); }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP put_Root(BSTR folder) override {
        COM_TRY {
            SetPackageRoot(folder ? folder : L"");
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP get_WritableRoot(BSTR* folder) override {
        COM_TRY { return CopyOut(WritablePackageRoot(), folder); }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP put_WritableRoot(BSTR folder) override {
        COM_TRY {
            SetWritablePackageRoot(folder ? folder : L"");
            return S_OK;
        }
        COM_CATCH_RETURN();
    }
    STDMETHODIMP get_IsRegistered(VARIANT_BOOL* registered) override {
        if (!registered) return E_POINTER;
        std::lock_guard<std::mutex> guard(Settings().mutex);
        *registered = Settings().rotCookie ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    STDMETHODIMP Revoke() override {
        DWORD cookie = 0;
        {
            std::lock_guard<std::mutex> guard(Settings().mutex);
            cookie = Settings().rotCookie;
            Settings().rotCookie = 0;
        }
        if (!cookie) return S_FALSE;
        // The table releases the object here, which may be this very one: nothing is held.
        ComPtr<IRunningObjectTable> rot;
        RETURN_IF_FAILED(::GetRunningObjectTable(0, rot.Put()));
        return rot->Revoke(cookie);
    }

private:
    HRESULT OpenXml(const wchar_t* method, BSTR address, IUnknown** document) {
        if (!document) return E_POINTER;
        *document = nullptr;
        RETURN_IF_FAILED(faults_.Check(method));
        COM_TRY {
            std::wstring file;
            if (FAILED(ResolveForRead(address ? address : L"", file, false)))
                return Fail(E_INVALIDARG, L"Not a package address", L"PackageManager");
            ComPtr<IXMLDOMDocument2> doc;
            HRESULT hr = LoadXmlFile(file, doc);
            if (FAILED(hr)) return Fail(hr, L"Cannot open " + file, L"PackageManager");
            return doc.As(IID_IUnknown, reinterpret_cast<void**>(document));
        }
        COM_CATCH_RETURN();
    }

    Faults faults_;
};

}  // namespace

HRESULT CreatePackageManagerClass(REFIID iid, void** out) {
    return platform::CreateDefaultClassObject<HostPackageManager>(iid, out);
}

}  // namespace hoststandin
