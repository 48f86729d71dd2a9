// The layer base's side of the exports: the names of exported files and the copy of a table
// layer's file set.
#include "tests/export/ExportFixture.h"

#include "ZmaVOMap2/layers/ZmaVadAZLayerCollection.h"
#include "tests/raster/RasterFixture.h"
#include "tests/support/HeldFile.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <tuple>

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

// A table is the files whose name without its last extension is the table's, in any case: not those of a table
// "roads.old" beside it, nor "roads.notes.txt".
TEST_F(FileExportTest, ATableIsCopiedWithTheFilesOfItsOwnNameOnly) {
    const std::string source = WriteRoads("one");
    for (const char* file : {"roads.old.tab", "roads.old.dat", "roads.notes.txt", "ROADS.IND"})
        Write(source + "\\" + file, file);
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    for (const auto& [table, name, copied] :
         {std::tuple("roads.tab", "My roads", std::vector<std::wstring>{L"Myroads.IND", L"Myroads.dat", L"Myroads.id",
                                                                       L"Myroads.map", L"Myroads.tab"}),
          std::tuple("roads.old.tab", "Roads old", std::vector<std::wstring>{L"Roadsold.dat", L"Roadsold.tab"})}) {
        const std::wstring target = platform::ToWide(OutFolder("own_files"));
        EXPECT_EQ(layer.CopyTabFiles(target, source + "\\" + table, name), S_OK) << table;
        EXPECT_EQ(FilesIn(target), copied) << table;
    }
}

// Into the folder it lies in, under its own name in any case, a table is left as it is however the folder or the
// table is spelled: no question, no copy, no file renamed.
TEST_F(FileExportTest, ATableExportedIntoItsOwnFolderStaysAsItIs) {
    const std::string source = WriteRoads("one");
    const FileSet before = FileBytes(platform::ToWide(source));
    std::string lower = source, slashes = source;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    const std::string parent = source.substr(0, source.find_last_of('\\'));
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    for (const std::string& folder : {source, source + "\\", lower, slashes + "/", parent + "\\.\\source\\..\\source"})
        for (const char* name : {"roads", "ROADS", "Roads"}) {
            EXPECT_EQ(layer.CopyTabFiles(platform::ToWide(folder), lower + "\\ROADS.TAB", name), S_OK) << folder << name;
            EXPECT_TRUE(answers_.boxes.empty()) << folder << " " << name;
            EXPECT_TRUE(FileBytes(platform::ToWide(source)) == before) << folder << " " << name;
        }
}

// A raster table copied under another name names its image's copy, every other byte as it was, and opens with it;
// an image named with its folder is named as it was.
TEST_F(FileExportTest, ARasterTableCopiedUnderAnotherNameFindsItsImage) {
    const std::string source = OutFolder("raster_source"), target = OutFolder("raster_copy");
    const std::string whole = source + "\\whole.TAB";
    ASSERT_TRUE(::MoveFileA(rastertest::WriteRegisteredTable(source, source + "\\my tile.bmp", 10.0, 51.0, 10.1, 50.9, 8, 6)
                                .c_str(),
                            whole.c_str()));
    const std::string tile = rastertest::WriteRegisteredTable(source, "my tile.bmp", 10.0, 51.0, 10.1, 50.9, 8, 6);
    const std::string text = rastertest::ReadAll(tile);
    rastertest::WriteBitmap(source + "\\my tile.bmp", 8, 6);
    CZmaVadAZLayer layer(map_.Get(), layers_.get());
    ASSERT_EQ(layer.CopyTabFiles(platform::ToWide(target), tile, "My tile (1)"), S_OK);
    ASSERT_EQ(layer.CopyTabFiles(platform::ToWide(target), whole, "Whole one"), S_OK);
    EXPECT_EQ(FilesIn(platform::ToWide(target)),
              (std::vector<std::wstring>{L"Mytile(1).TAB", L"Mytile(1).bmp", L"Wholeone.TAB"}));
    std::string renamed = text;
    renamed.replace(renamed.find("my tile.bmp"), 11, "Mytile(1).bmp");
    EXPECT_EQ(rastertest::ReadAll(target + "\\Mytile(1).TAB"), renamed);
    EXPECT_EQ(rastertest::ReadAll(target + "\\Wholeone.TAB"), rastertest::ReadAll(whole));
    for (const char* table : {"\\Mytile(1).TAB", "\\Wholeone.TAB"})
        EXPECT_TRUE(layers_->AddTemporaryTabLayer(CZmaVadAZLayer::kTypeRasterTable, (target + table).c_str())) << table;
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
// earlier files as they were and no other, and names the file.
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
                                        std::pair(original, L"\"Myroads" + ext + L"\" cannot be written: ")}) {
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
