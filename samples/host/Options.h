// The sample host's command line.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace samplehost {

constexpr wchar_t kDefaultProgId[] = L"VadAZ2.ZmaVadAZ.1";

struct Options {
    std::wstring progId = kDefaultProgId;  // a ProgID or a "{class id}"
    std::wstring loadStream;               // IPersistStreamInit::Load from this file instead of InitNew
    std::wstring saveStream;               // IPersistStreamInit::Save into this file
    std::wstring loadXml;                  // a settings document handed to LoadFromXML
    std::wstring saveXml;                  // the document SaveToXML fills
    long datasetRows = 0;                  // show a generated drive-test dataset of this many rows
    std::wstring datasetGenerator = L"VadazHost.SampleDataset";
    std::wstring datasetField = L"RxLev";
    std::vector<std::wstring> calls;       // "Name" or "Name=arg,arg,...", in the order given
    std::wstring image;                    // .png or .bmp of the control's view
    bool exitAfterCommands = false;        // close instead of running the message loop
    bool help = false;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws UsageError for an unknown option or a missing value.
Options ParseOptions(const std::vector<std::wstring>& args);

std::wstring UsageText();

}  // namespace samplehost
