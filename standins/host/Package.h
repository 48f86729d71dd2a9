// The stand-ins' resource space: "terravex://" addresses and the files behind them.
//
// "terravex://A/B.xml" names <root>\A\B.xml. The root holds the files shipped with the stand-ins
// (default: the "package" folder next to this DLL, or VADAZ_HOST_PACKAGE_ROOT). Files written
// through the stand-ins go to a writable folder of the process instead (default:
// %TEMP%\VadazHostPackage\<process id>-<process start time>, or VADAZ_HOST_PACKAGE_WRITABLE),
// and a file found there is read from there, so that test processes neither change the shipped
// files nor see each other's writes, also when the system gives a later process an earlier one's id.
#pragma once

#include "platform/Com.h"

#include <windows.h>
#include <msxml2.h>

#include <string>

namespace hoststandin {

bool IsPackageAddress(const wchar_t* text);

std::wstring PackageRoot();
std::wstring WritablePackageRoot();
void SetPackageRoot(const std::wstring& folder);          // empty: back to the default
void SetWritablePackageRoot(const std::wstring& folder);  // empty: back to the default

// The file of an address: the writable copy when there is one, else the shipped file or folder,
// else where a write would put it (with its folders made when `prepareFolders`, so that the
// caller can create the file). E_INVALIDARG for text that is not an address or leaves the root.
HRESULT ResolveForRead(const std::wstring& address, std::wstring& path, bool prepareFolders);
// Where a write of the address goes; creates the folders on the way.
HRESULT ResolveForWrite(const std::wstring& address, std::wstring& path);

// Creates every missing folder of `folder`.
void CreateFolders(const std::wstring& folder);

// Interface ids of MSXML that the system headers declare without defining.
extern const IID kIidXmlDocument2;
extern const IID kIidXmlElement;

// A new MSXML 4 document (synchronous loading).
HRESULT CreateXmlDocument(platform::ComPtr<IXMLDOMDocument2>& doc);
// Loads a file: HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when it is missing, E_FAIL when it does
// not parse.
HRESULT LoadXmlFile(const std::wstring& path, platform::ComPtr<IXMLDOMDocument2>& doc);

}  // namespace hoststandin
