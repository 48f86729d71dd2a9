// Adds a PostScript printer to the Wine prefix and makes it the default printer:
//
//   AddFilePrinter.exe <printer name> <output file>
//
// Its driver is Wine's PostScript driver with the generic PPD that Wine's print spooler carries as
// a resource. Its port is the output file itself, so every document goes there without a
// print-to-file prompt. Running it again leaves an existing driver or printer as it is.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "AddFilePrinter: %s failed (error %lu)\n", what, ::GetLastError());
    return 1;
}

// The folders of the output file, so that the document can be written there.
void CreateFolders(const std::wstring& file) {
    for (size_t at = file.find(L'\\', 3); at != std::wstring::npos; at = file.find(L'\\', at + 1))
        ::CreateDirectoryW(file.substr(0, at).c_str(), nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: AddFilePrinter <printer name> <output file>\n");
        return 2;
    }
    const std::wstring printerName = argv[1], port = argv[2];
    const wchar_t* const driverName = L"VadAZ PostScript";

    HMODULE spooler = ::LoadLibraryExW(L"winspool.drv", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC resource = spooler ? ::FindResourceW(spooler, MAKEINTRESOURCEW(1), L"PPDFILE") : nullptr;
    HGLOBAL loaded = resource ? ::LoadResource(spooler, resource) : nullptr;
    const void* ppd = loaded ? ::LockResource(loaded) : nullptr;
    if (!ppd) return Fail("finding the generic PPD");

    wchar_t driverFolder[MAX_PATH] = {};
    DWORD needed = 0;
    if (!::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(driverFolder), sizeof driverFolder,
                                      &needed))
        return Fail("GetPrinterDriverDirectory");
    const std::wstring ppdPath = std::wstring(driverFolder) + L"\\vadaz-generic.ppd";
    HANDLE file = ::CreateFileW(ppdPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail("writing the PPD");
    DWORD written = 0;
    const BOOL wrote = ::WriteFile(file, ppd, ::SizeofResource(spooler, resource), &written, nullptr);
    ::CloseHandle(file);
    if (!wrote) return Fail("writing the PPD");

    DRIVER_INFO_3W driver = {};
    driver.cVersion = 3;
    driver.pName = const_cast<LPWSTR>(driverName);
    driver.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
    driver.pDataFile = const_cast<LPWSTR>(ppdPath.c_str());
    driver.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
    if (!::AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&driver)) &&
        ::GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED)
        return Fail("AddPrinterDriver");

    CreateFolders(port);
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<LPWSTR>(printerName.c_str());
    info.pPortName = const_cast<LPWSTR>(port.c_str());
    info.pDriverName = const_cast<LPWSTR>(driverName);
    info.pPrintProcessor = const_cast<LPWSTR>(L"WinPrint");
    info.pDatatype = const_cast<LPWSTR>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (printer) {
        ::ClosePrinter(printer);
    } else if (::GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
        return Fail("AddPrinter");
    }
    if (!::SetDefaultPrinterW(printerName.c_str())) return Fail("SetDefaultPrinter");
    std::printf("AddFilePrinter: the default printer writes to %ls\n", port.c_str());
    return 0;
}
