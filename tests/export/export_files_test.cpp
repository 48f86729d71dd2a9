// The layer base's side of the exports: the names of exported files and the copy of a table
// layer's file set.
#include "tests/export/ExportFixture.h"

#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "tests/support/HeldFile.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace exporttest;

namespace {

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Write(const std::string& path, const std::string& text) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::string Read(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[256];
    DWORD read = 0;
    ::ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    ::CloseHandle(file);
    return std::string(buffer, read);
}

// A layer with a name and no engine layer behind it.
class NamedLayer : public CZmaVadAZLayer {
public:
    NamedLayer(IDispatch* map, const std::string& name) : CZmaVadAZLayer(map, nullptr) { SetNameOnly(name); }
};

class FileExportTest : public ExportTest {
protected:
    // A table set "<folder>\roads.*" with a temporary file and another table beside it.
    std::string WriteRoads(const std::string& content) {
        const std::string source = OutFolder("source");
        for (const char* ext : {".tab", ".dat", ".map", ".id", ".tmp"}) Write(source + "\\roads" + ext, content + ext);
        Write(source + "\\other.tab", "other");
        return source;
    }
};

TEST_F(FileExportTest, ExportedFileNamesDropTheCharactersAFileNameCannotHold) {
    NamedLayer layer(map_.Get(), "a<b>c:d\"e/f\\g|h i");
    std::wstring name;
    layer.GetTabFileName(name, L"C:\\out");
    EXPECT_EQ(name, L"C:\\out\\abcdefghi.TAB");
    layer.GetTabFileName(name, L"C:\\out\\", "serving");
    EXPECT_EQ(name, L"C:\\out\\abcdefghi.TAB") << "one backslash; only line layers take a suffix";

    layer.SetType(CZmaVadAZLayer::kTypeLines);
    layer.GetTabFileName(name, L"C:\\out", "to: servers");
    EXPECT_EQ(name, L"C:\\out\\abcdefghi-toservers.TAB");
    layer.GetTabFileName(name, L"C:\\out", " :|");
    EXPECT_EQ(name, L"C:\\out\\abcdefghi.TAB") << "a suffix made only of removed characters adds no dash";
    layer.GetTabFileName(name, L"C:\\out", nullptr);
    EXPECT_EQ(name, L"C:\\out\\abcdefghi.TAB");
}

TEST_F(FileExportTest, ATableSetIsCopiedUnderTheCleanNameWithoutItsTemporaryFile) {
    const std::string source = WriteRoads("one");
    const std::string target = OutFolder("copies");
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    ASSERT_EQ(layer.CopyTabFiles(platform::ToWide(target + "\\"), source + "\\roads.tab", "My roads"), S_OK);
    for (const char* ext : {".tab", ".dat", ".map", ".id"}) EXPECT_EQ(Read(target + "\\Myroads" + ext), std::string("one") + ext);
    EXPECT_FALSE(Exists(target + "\\Myroads.tmp"));
    EXPECT_FALSE(Exists(target + "\\other.tab"));
    EXPECT_TRUE(answers_.boxes.empty()) << "nothing to replace yet";

    // Existing: one question before anything is copied. No leaves the folder as it was.
    WriteRoads("two");
    answers_.answer = IDNO;
    ASSERT_EQ(layer.CopyTabFiles(platform::ToWide(target), source + "\\roads.tab", "My roads"), S_OK);
    ASSERT_EQ(answers_.boxes.size(), 1u);
    EXPECT_EQ(answers_.boxes[0].text, L"File \"Myroads.TAB\" already exists. Replace?");
    EXPECT_EQ(answers_.boxes[0].caption, L"Map Module");
    EXPECT_EQ(answers_.boxes[0].flags & MB_YESNO, static_cast<UINT>(MB_YESNO));
    for (const char* ext : {".tab", ".dat", ".map", ".id"}) EXPECT_EQ(Read(target + "\\Myroads" + ext), std::string("one") + ext);

    // Yes: still one question for the whole set, and every file replaced.
    answers_.boxes.clear();
    answers_.answer = IDYES;
    ASSERT_EQ(layer.CopyTabFiles(platform::ToWide(target), source + "\\roads.tab", "My roads"), S_OK);
    EXPECT_EQ(answers_.boxes.size(), 1u);
    for (const char* ext : {".tab", ".dat", ".map", ".id"}) EXPECT_EQ(Read(target + "\\Myroads" + ext), std::string("two") + ext);

    // Into the table's own folder under its own name: nothing to copy, and no question.
    answers_.boxes.clear();
    EXPECT_EQ(layer.CopyTabFiles(platform::ToWide(source), source + "\\roads.tab", "roads"), S_OK);
    EXPECT_TRUE(answers_.boxes.empty());
    EXPECT_EQ(Read(source + "\\roads.dat"), "two.dat");
}

// The names the system gives the export's temporary copies next are taken by a user's files ("tab<n>.TAB", and the
// set-aside name of a replaced file, "tab<n>.tab.old"): they are passed over, and every such file keeps its bytes
// through a first export and its replacement.
TEST_F(FileExportTest, ATemporaryNameIsNeverOneThatIsThere) {
    const std::string source = WriteRoads("one");
    const std::string target = OutFolder("names_taken");
    std::vector<std::string> taken;
    // The system gives the names "tab<n>.tmp" by the clock's milliseconds: the names from 200 to 300 milliseconds
    // on are taken, and the export begins once the clock has reached them.
    const auto takeNextNames = [&](const char* extension) {
        wchar_t given[MAX_PATH] = {};
        ASSERT_TRUE(::GetTempFileNameW(platform::ToWide(target).c_str(), L"tab", 0, given));
        const DWORD start = ::GetTickCount();
        ::DeleteFileW(given);
        const std::string name = platform::ToAnsi(std::wstring(given));
        const unsigned first = std::strtoul(name.substr(name.find_last_of('\\') + 4).c_str(), nullptr, 16);
        for (unsigned n = first + 200; n < first + 300; ++n) {
            char file[32];
            std::snprintf(file, sizeof file, "\\tab%x%s", n & 0xFFFF, extension);
            Write(target + file, file);
            taken.push_back(file);
        }
        while (::GetTickCount() - start < 205) ::Sleep(1);
    };
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    takeNextNames(".TAB");
    ASSERT_EQ(layer.CopyTabFiles(platform::ToWide(target), source + "\\roads.tab", "roads"), S_OK);
    WriteRoads("two");
    answers_.answer = IDYES;
    takeNextNames(".tab.old");
    ASSERT_EQ(layer.CopyTabFiles(platform::ToWide(target), source + "\\roads.tab", "roads"), S_OK);
    EXPECT_EQ(Read(target + "\\roads.dat"), "two.dat");
    for (const std::string& file : taken) ASSERT_EQ(Read(target + file), file);
    EXPECT_EQ(FilesIn(platform::ToWide(target)).size(), taken.size() + 4) << "no temporary file left";
}

// The reason stays with the failure for the export dialog, which names the layer once with it.
TEST_F(FileExportTest, ACopyThatFailsIsAFailureThatSaysWhy) {
    const std::string source = WriteRoads("one");
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    EXPECT_TRUE(FAILED(layer.CopyTabFiles(L"Z:\\no\\such\\folder", source + "\\roads.tab", "roads")));

    CZmaVadAZLayer* table = OpenTable("roads");
    ASSERT_TRUE(table);
    answers_.boxes.clear();
    ::SetErrorInfo(0, nullptr);
    const HRESULT hr = table->ExportTab(L"Z:\\no\\such\\folder");
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(platform::ComError::FromCall(hr).Description(), L"The folder \"Z:\\no\\such\\folder\" does not exist");
    EXPECT_TRUE(answers_.boxes.empty());

    // The same layer into a folder that exists.
    const std::string target = OutFolder("layer");
    answers_.boxes.clear();
    EXPECT_EQ(table->ExportTab(platform::ToWide(target)), S_OK);
    EXPECT_TRUE(answers_.boxes.empty());
    EXPECT_TRUE(Exists(target + "\\" + CZmaVadAZLayer::CleanLayerName(table->GetName()) + ".tab"));
}

// A copy that fails part way, on a file of the earlier copy or of the table that another program has open, leaves the
// earlier files as they were and no other, and names the file: the copy that cannot be replaced, or the table's own
// file that cannot be read (the renamed .TAB, read for its image's name, and the files copied as they are).
TEST_F(FileExportTest, ACopyThatFailsPartWayLeavesTheEarlierFilesAsTheyWere) {
    const std::string source = WriteRoads("one");
    const std::wstring target = platform::ToWide(OutFolder("copy_kept"));
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    ASSERT_EQ(layer.CopyTabFiles(target, source + "\\roads.tab", "My roads"), S_OK);
    const FileSet earlier = FileBytes(target);
    WriteRoads("two");
    answers_.answer = IDYES;
    for (const std::wstring ext : {L".tab", L".dat", L".map", L".id"}) {
        const std::wstring copy = target + L"\\Myroads" + ext, original = platform::ToWide(source) + L"\\roads" + ext;
        for (const auto& [held, why] : {std::pair(copy, L"Cannot replace \"" + copy + L"\", which another program has open: "),
                                        std::pair(original, L"\"" + original + L"\" cannot be read: ")}) {
            std::optional<testsupport::HeldFile> holder(std::in_place, held);
            const HRESULT hr = layer.CopyTabFiles(target, source + "\\roads.tab", "My roads");
            holder.reset();
            const std::wstring description = platform::ComError::FromCall(hr).Description();
            EXPECT_EQ(description.rfind(why, 0), 0u) << platform::ToAnsi(description);
            EXPECT_TRUE(FileBytes(target) == earlier) << platform::ToAnsi(held);
        }
    }
}

}  // namespace
