#include "samples/host/Options.h"

#include "platform/Com.h"

namespace samplehost {

namespace {

std::string Narrow(const std::wstring& s) { return platform::ToAnsi(s, CP_UTF8); }

}  // namespace

Options ParseOptions(const std::vector<std::wstring>& args) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        auto value = [&]() -> const std::wstring& {
            if (i + 1 >= args.size()) throw UsageError("option " + Narrow(a) + " needs a value");
            return args[++i];
        };
        if (a == L"--progid") {
            o.progId = value();
        } else if (a == L"--load") {
            o.loadStream = value();
        } else if (a == L"--save") {
            o.saveStream = value();
        } else if (a == L"--load-xml") {
            o.loadXml = value();
        } else if (a == L"--save-xml") {
            o.saveXml = value();
        } else if (a == L"--dataset") {
            std::wstring rows = value();
            wchar_t* end = nullptr;
            o.datasetRows = std::wcstol(rows.c_str(), &end, 10);
            if (o.datasetRows <= 0 || (end && *end)) throw UsageError("--dataset needs a number of rows");
        } else if (a == L"--dataset-field") {
            o.datasetField = value();
        } else if (a == L"--call") {
            o.calls.push_back(value());
        } else if (a == L"--image") {
            o.image = value();
        } else if (a == L"--exit") {
            o.exitAfterCommands = true;
        } else if (a == L"--help" || a == L"-h" || a == L"/?") {
            o.help = true;
        } else {
            throw UsageError("unknown argument " + Narrow(a));
        }
    }
    if (o.progId.empty()) throw UsageError("--progid needs a ProgID or a class id");
    return o;
}

std::wstring UsageText() {
    return L"usage: VadAZHost [options]\n"
           L"  --progid <ProgID|{clsid}>  control to embed (default VadAZ2.ZmaVadAZ.1)\n"
           L"  --load <file>              load the control's stream from <file> instead of InitNew\n"
           L"  --load-xml <file>          hand the document's root element to LoadFromXML\n"
           L"  --dataset <rows>           show a generated drive-test dataset of that many rows\n"
           L"  --dataset-field <name>     the field that colours it (RxLev)\n"
           L"  --call Name[=arg,...]      call an automation member by name (repeatable)\n"
           L"  --image <file.png|.bmp>    draw the control's view into an image file\n"
           L"  --save <file>              save the control's stream into <file>\n"
           L"  --save-xml <file>          save the document that SaveToXML fills\n"
           L"  --exit                     close after the commands instead of running the window\n"
           L"Commands run in the order of this list. Arguments of --call: 12 and -3 are integers,\n"
           L"2.5 a double, true/false booleans, \"text\" (or any other word) a string.";
}

}  // namespace samplehost
