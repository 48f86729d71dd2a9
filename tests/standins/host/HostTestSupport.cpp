#include "tests/standins/host/HostTestSupport.h"

#include <shellapi.h>

namespace hosttest {

std::vector<std::wstring> Calls(IUnknown* standIn) {
    std::vector<std::wstring> lines;
    platform::ComPtr<IHostCallLog> log;
    if (!standIn || FAILED(standIn->QueryInterface(IID_IHostCallLog, log.PutVoid()))) {
        ADD_FAILURE() << "no call log";
        return lines;
    }
    long count = 0;
    EXPECT_EQ(log->get_CallCount(&count), S_OK);
    for (long i = 0; i < count; ++i) {
        platform::Bstr line;
        EXPECT_EQ(log->CallAt(i, line.Put()), S_OK);
        lines.push_back(line.Wide());
    }
    return lines;
}

void ClearCalls(IUnknown* standIn) {
    platform::ComPtr<IHostCallLog> log;
    ASSERT_EQ(standIn->QueryInterface(IID_IHostCallLog, log.PutVoid()), S_OK);
    EXPECT_EQ(log->ClearCalls(), S_OK);
}

std::wstring ErrorDescription() {
    IErrorInfo* info = nullptr;
    if (::GetErrorInfo(0, &info) != S_OK || !info) return std::wstring();
    BSTR d = nullptr;
    info->GetDescription(&d);
    info->Release();
    return platform::Bstr::Attach(d).Wide();
}

ScratchFolder::ScratchFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    path_ = std::wstring(temp) + L"hosttest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() {
    std::wstring from = path_ + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationW(&op);
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int CountInk(HDC dc, int width, int height) {
    int ink = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((::GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF) ++ink;
    return ink;
}

}  // namespace hosttest
