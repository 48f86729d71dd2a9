#include "samples/host/StreamFile.h"

#include "samples/host/Console.h"

#include "platform/Com.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"

#include <vector>

namespace samplehost {

using platform::ComError;
using platform::ComPtr;

namespace {

[[noreturn]] void ThrowLastError(const std::wstring& what) {
    throw ComError(HRESULT_FROM_WIN32(::GetLastError()), what);
}

}  // namespace

size_t SaveStreamToFile(IPersistStreamInit* object, const std::wstring& path) {
    platform::ThrowIfNull(object);
    ComPtr<IStream> stream;
    THROW_IF_FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
    CheckCall(object->Save(stream.Get(), TRUE), L"IPersistStreamInit::Save");
    STATSTG stat = {};
    THROW_IF_FAILED(stream->Stat(&stat, STATFLAG_NONAME));
    const size_t size = static_cast<size_t>(stat.cbSize.QuadPart);
    HGLOBAL memory = nullptr;
    THROW_IF_FAILED(::GetHGlobalFromStream(stream.Get(), &memory));

    platform::UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError(L"cannot create " + path);
    const void* bytes = ::GlobalLock(memory);
    DWORD written = 0;
    BOOL ok = !size || (bytes && ::WriteFile(file.Get(), bytes, static_cast<DWORD>(size), &written, nullptr));
    DWORD error = ::GetLastError();
    ::GlobalUnlock(memory);
    if (!ok || written != size) throw ComError(HRESULT_FROM_WIN32(error ? error : ERROR_WRITE_FAULT), L"cannot write " + path);
    return size;
}

void LoadStreamFromFile(IPersistStreamInit* object, const std::wstring& path) {
    platform::ThrowIfNull(object);
    platform::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError(L"cannot open " + path);
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.Get(), &size)) ThrowLastError(L"cannot read " + path);
    std::vector<char> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        ThrowLastError(L"cannot read " + path);

    ComPtr<IStream> stream;
    THROW_IF_FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
    ULONG put = 0;
    if (!bytes.empty()) THROW_IF_FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &put));
    LARGE_INTEGER start = {};
    THROW_IF_FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr));
    CheckCall(object->Load(stream.Get()), L"IPersistStreamInit::Load");
}

}  // namespace samplehost
