// VadAZHost: embeds the map control (or the control named by --progid) in a frame window and
// drives it from the command line. Prints one line per step and per event it receives, and ends
// with a line that says whether every command succeeded.
#include "samples/host/AutomationCall.h"
#include "samples/host/Console.h"
#include "samples/host/ControlHost.h"
#include "samples/host/Options.h"

#include "platform/Com.h"
#include "platform/Result.h"

#include <shellapi.h>

#include <functional>
#include <vector>

namespace samplehost {
namespace {

constexpr SIZE kSiteSize = {640, 480};

// The barrier's log lines (failures inside our own COM methods) go to the console as well.
class ConsoleErrorLog : public platform::ErrorLog {
public:
    bool IsEnabledFor(int) override { return true; }
    void Write(int, const char* file, int line, const std::string& text) override {
        PrintLine(L"log: " + platform::ToWide(text) + L" (" + platform::ToWide(file) + L":" + std::to_wstring(line) + L")");
    }
};

std::wstring DescribeError(const platform::ComError& e) {
    std::wstring description = e.Description();
    return DescribeResult(e.Error()) + (description.empty() ? L"" : L": " + description);
}

// Runs one command; a failure is printed and counted, and the next command still runs.
class Steps {
public:
    bool Run(const std::wstring& what, const std::function<void()>& step) {
        try {
            step();
            return true;
        } catch (const platform::ComError& e) {
            Fail(what, DescribeError(e));
        } catch (const std::exception& e) {
            Fail(what, platform::ToWide(e.what(), CP_UTF8));
        }
        return false;
    }
    void Fail(const std::wstring& what, const std::wstring& why) {
        PrintLine(L"FAILED: " + what + L": " + why);
        ++failures_;
    }
    int Failures() const noexcept { return failures_; }

private:
    int failures_ = 0;
};

int Run(const Options& options) {
    Steps steps;
    ControlHost host;
    if (!steps.Run(L"create the windows", [&] { host.CreateWindows(kSiteSize); }) ||
        !steps.Run(L"embed " + options.progId, [&] { host.Embed(options.progId, options.loadStream); })) {
        PrintLine(L"VadAZHost: the control could not be embedded");
        return 1;
    }
    if (!options.loadXml.empty())
        steps.Run(L"load settings " + options.loadXml, [&] {
            host.LoadSettings(options.loadXml);
            PrintLine(L"loaded settings from " + options.loadXml);
        });
    if (options.datasetRows > 0)
        steps.Run(L"dataset", [&] {
            host.DisplayGeneratedDataset(options.datasetGenerator, options.datasetRows, options.datasetField);
            PrintLine(L"displayed a generated dataset of " + std::to_wstring(options.datasetRows) + L" rows");
        });
    for (const std::wstring& call : options.calls)
        steps.Run(L"call " + call, [&] {
            platform::Variant result = host.Call(call);
            PrintLine(L"call " + call + L" -> " + DescribeValue(result));
        });
    host.PumpPending();
    if (!options.image.empty())
        steps.Run(L"image " + options.image, [&] {
            ImageSummary image = host.WriteImage(options.image);
            if (image.colours < 2)
                throw platform::ComError(E_FAIL, L"the image is blank: the control drew nothing into " + options.image);
            PrintLine(L"image: " + options.image + L" (" + std::to_wstring(image.size.cx) + L"x" +
                      std::to_wstring(image.size.cy) + L", " + std::to_wstring(image.colours) + L" colours)");
        });
    if (!options.saveStream.empty())
        steps.Run(L"save stream " + options.saveStream, [&] {
            size_t bytes = host.SaveStream(options.saveStream);
            PrintLine(L"saved the control's stream to " + options.saveStream + L" (" + std::to_wstring(bytes) + L" bytes)");
        });
    if (!options.saveXml.empty())
        steps.Run(L"save settings " + options.saveXml, [&] {
            host.SaveSettings(options.saveXml);
            PrintLine(L"saved settings to " + options.saveXml);
        });

    if (!options.exitAfterCommands) {
        PrintLine(L"running; close the window to end");
        host.RunMessageLoop();
    }
    host.Shutdown();
    if (steps.Failures()) {
        PrintLine(L"VadAZHost: " + std::to_wstring(steps.Failures()) + L" command(s) failed");
        return 1;
    }
    PrintLine(L"VadAZHost: all commands succeeded");
    return 0;
}

std::vector<std::wstring> CommandLineArguments() {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < count; ++i) args.emplace_back(argv[i]);
    if (argv) ::LocalFree(argv);
    return args;
}

}  // namespace
}  // namespace samplehost

int main() {
    using namespace samplehost;
    Options options;
    try {
        options = ParseOptions(CommandLineArguments());
    } catch (const UsageError& e) {
        PrintLine(UsageText());
        PrintLine(L"FAILED: " + platform::ToWide(e.what(), CP_UTF8));
        return 2;
    }
    if (options.help) {
        PrintLine(UsageText());
        return 0;
    }
    if (FAILED(::OleInitialize(nullptr))) {
        PrintLine(L"FAILED: OLE does not start");
        return 1;
    }
    ConsoleErrorLog log;
    platform::SetErrorLog(&log);
    int result = 1;
    try {
        result = Run(options);
    } catch (...) {
        PrintLine(L"FAILED: unexpected exception");
    }
    platform::SetErrorLog(nullptr);
    ::OleUninitialize();
    return result;
}
