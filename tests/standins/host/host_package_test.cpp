// The package manager: found in the running object table, resolving "terravex://" addresses and
// opening the resource files it serves as MSXML 4 documents.
#include "tests/standins/host/HostTestSupport.h"

#include <msxml2.h>
#include <urlmon.h>

using hosttest::Create;
using hosttest::Query;
using platform::Bstr;
using platform::ComPtr;

namespace {

const CLSID kDomDocument40 = {0x88D969C0, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
const IID kXmlDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// What the control does: look the manager up under its URL moniker.
HRESULT FindRunning(ComPtr<IUnknown>& found) {
    ComPtr<IRunningObjectTable> rot;
    HRESULT hr = ::GetRunningObjectTable(0, rot.Put());
    if (FAILED(hr)) return hr;
    ComPtr<IMoniker> name;
    hr = ::CreateURLMonikerEx(nullptr, L"Terravex://ZmoPackageManager", name.Put(), URL_MK_UNIFORM);
    if (FAILED(hr)) return hr;
    return rot->GetObject(name.Get(), found.Put());
}

ComPtr<IXMLDOMDocument2> AsDocument(IUnknown* object) {
    ComPtr<IXMLDOMDocument2> doc;
    if (object) object->QueryInterface(kXmlDocument2, doc.PutVoid());
    return doc;
}

long CountNodes(IXMLDOMNode* root, const wchar_t* xpath) {
    Bstr query(xpath);
    ComPtr<IXMLDOMNodeList> nodes;
    if (FAILED(root->selectNodes(query.Get(), nodes.Put())) || !nodes) return -1;
    long n = -1;
    nodes->get_length(&n);
    return n;
}

std::wstring Text(IXMLDOMNode* root, const wchar_t* xpath) {
    Bstr query(xpath), text;
    ComPtr<IXMLDOMNode> node;
    if (root->selectSingleNode(query.Get(), node.Put()) != S_OK) return L"<none>";
    node->get_text(text.Put());
    return text.Wide();
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        manager_ = Create<IHostPackageManager>(CLSID_HostPackageManager);
        ASSERT_TRUE(manager_);
        test_ = Query<IHostPackageTest>(manager_);
        ASSERT_TRUE(test_);
        Bstr folder(writable_.Path());
        ASSERT_EQ(test_->put_WritableRoot(folder.Get()), S_OK);
    }
    void TearDown() override {
        if (!test_) return;
        test_->Revoke();
        Bstr none;
        test_->put_WritableRoot(none.Get());
    }

    std::wstring Resolve(const wchar_t* address) {
        Bstr a(address), path;
        EXPECT_EQ(manager_->ResolvePath(a.Get(), 0, path.Put()), S_OK) << address;
        return path.Wide();
    }

    hosttest::ScratchFolder writable_;
    ComPtr<IHostPackageManager> manager_;
    ComPtr<IHostPackageTest> test_;
};

TEST_F(PackageTest, StartPutsItInTheRunningObjectTableUnderItsUrlMoniker) {
    ComPtr<IUnknown> found;
    EXPECT_EQ(FindRunning(found), MK_E_UNAVAILABLE);

    ComPtr<IHostPackageManager> starter = Create<IHostPackageManager>(CLSID_HostPackageManager);
    ASSERT_EQ(starter->Start(), S_OK);
    EXPECT_EQ(starter->Start(), S_FALSE);
    starter.Reset();  // the table keeps it alive

    ASSERT_EQ(FindRunning(found), S_OK);
    ComPtr<IHostPackageManager> running = Query<IHostPackageManager>(found);
    ASSERT_TRUE(running);
    Bstr address(L"terravex://Map/Printing/Layouts/mapPrintingScales.xml"), path;
    EXPECT_EQ(running->ResolvePath(address.Get(), 0, path.Put()), S_OK);
    VARIANT_BOOL registered = VARIANT_FALSE;
    EXPECT_EQ(test_->get_IsRegistered(&registered), S_OK);
    EXPECT_EQ(registered, VARIANT_TRUE);

    EXPECT_EQ(test_->Revoke(), S_OK);
    found.Reset();
    EXPECT_EQ(FindRunning(found), MK_E_UNAVAILABLE);
    EXPECT_EQ(test_->Revoke(), S_FALSE);
}

TEST_F(PackageTest, ResolvedFilesLoadIntoAnMsxml4Document) {
    std::wstring path = Resolve(L"terravex://Map/Printing/Layouts/mapPrintingScales.xml");
    Bstr root;
    ASSERT_EQ(test_->get_Root(root.Put()), S_OK);
    EXPECT_EQ(path.compare(0, root.Length(), root.Wide()), 0);
    EXPECT_TRUE(hosttest::FileExists(path));

    ComPtr<IXMLDOMDocument2> doc;
    ASSERT_EQ(::CoCreateInstance(kDomDocument40, nullptr, CLSCTX_INPROC_SERVER, kXmlDocument2, doc.PutVoid()), S_OK);
    doc->put_async(VARIANT_FALSE);
    VARIANT_BOOL ok = VARIANT_FALSE;
    platform::Variant source(path);
    ASSERT_EQ(doc->load(source, &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(CountNodes(doc.Get(), L"scales/scale"), 10);
    EXPECT_EQ(Text(doc.Get(), L"scales/scale[6]"), L"50000");
}

TEST_F(PackageTest, OpensResourcesAsDocumentsThroughBothOpeningSlots) {
    Bstr scales(L"terravex://Map/Printing/Layouts/mapPrintingScales.xml");
    Bstr arrows(L"terravex://Bin/XMLFiles/DriveDirectionConfig.xml");
    Bstr labels(L"terravex://Bin/XMLFiles/LinesLabels.xml");

    ComPtr<IUnknown> opened;
    ASSERT_EQ(manager_->Open(scales.Get(), opened.Put()), S_OK);
    ComPtr<IXMLDOMDocument2> doc = AsDocument(opened.Get());
    ASSERT_TRUE(doc);
    EXPECT_EQ(Text(doc.Get(), L"scales/scale"), L"1000");

    ASSERT_EQ(manager_->OpenDocument(arrows.Get(), opened.Put()), S_OK);
    doc = AsDocument(opened.Get());
    ASSERT_TRUE(doc);
    EXPECT_EQ(CountNodes(doc.Get(), L"//ArrowDistances//ArrowDistance"), 4);
    EXPECT_EQ(Text(doc.Get(), L"//ArrowDistance[4]/@MaxDistance"), L"");
    EXPECT_EQ(Text(doc.Get(), L"//ArrowDistance[4]/@ArrowDistance"), L"5000");

    ASSERT_EQ(manager_->OpenDocument(labels.Get(), opened.Put()), S_OK);
    doc = AsDocument(opened.Get());
    ASSERT_TRUE(doc);
    ComPtr<IXMLDOMElement> top;
    ASSERT_EQ(doc->get_documentElement(top.Put()), S_OK);
    EXPECT_EQ(Text(top.Get(), L"*[@Name=\"UMTS\"]/@ServerLabel"), L"Best Server");
    EXPECT_EQ(CountNodes(top.Get(), L"*[@Name=\"GSM\"]/Array"), 2);

    Bstr portrait(L"terravex://Map/Printing/Layouts/defaultPortraitMapPrintLayout.xml");
    EXPECT_EQ(manager_->Open(portrait.Get(), opened.Put()), S_OK);
}

TEST_F(PackageTest, RefusesWhatIsNotAnAddressAndReportsMissingFiles) {
    Bstr missing(L"terravex://Map/NoSuchFile.xml"), notAddress(L"C:\\windows\\win.ini"),
        climbing(L"terravex://Map/../../secret.xml"), path;
    ComPtr<IUnknown> opened;
    EXPECT_EQ(manager_->Open(missing.Get(), opened.Put()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(opened);
    EXPECT_EQ(manager_->ResolvePath(notAddress.Get(), 0, path.Put()), E_INVALIDARG);
    EXPECT_EQ(manager_->ResolvePath(climbing.Get(), 0, path.Put()), E_INVALIDARG);
    EXPECT_EQ(manager_->OpenDocument(nullptr, opened.Put()), E_INVALIDARG);

    Bstr root;
    ASSERT_EQ(test_->get_Root(root.Put()), S_OK);
    EXPECT_EQ(Resolve(L"terravex://"), root.Wide());
    EXPECT_EQ(Resolve(L"TERRAVEX://Map"), root.Wide() + L"\\Map");
}

TEST_F(PackageTest, NewFilesGoToTheWritableFolderAndAreReadFromThere) {
    std::wstring target = Resolve(L"terravex://Exports/Drive/route.tab");
    EXPECT_EQ(target, writable_.Path() + L"\\Exports\\Drive\\route.tab");
    HANDLE file = ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);  // the folders exist already
    ::CloseHandle(file);
    EXPECT_EQ(Resolve(L"terravex://Exports/Drive/route.tab"), target);

    // A writable copy of a shipped file wins over the shipped one.
    std::wstring shipped = Resolve(L"terravex://Bin/XMLFiles/LinesLabels.xml");
    std::wstring copy = writable_.Path() + L"\\Bin\\XMLFiles\\LinesLabels.xml";
    EXPECT_NE(shipped, copy);
    ::CreateDirectoryW((writable_.Path() + L"\\Bin").c_str(), nullptr);
    ::CreateDirectoryW((writable_.Path() + L"\\Bin\\XMLFiles").c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(shipped.c_str(), copy.c_str(), FALSE));
    EXPECT_EQ(Resolve(L"terravex://Bin/XMLFiles/LinesLabels.xml"), copy);
}

}  // namespace
