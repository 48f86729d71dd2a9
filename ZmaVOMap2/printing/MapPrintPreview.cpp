#include "ZmaVOMap2/printing/MapPrintPreview.h"

#include "ZmaVOMap2/printing/BatchPrintResource.h"
#include "ZmaVOMap2/printing/PrinterHandles.h"
#include "platform/Com.h"
#include "platform/Module.h"
#include "platform/Result.h"
#include "platform/UniqueHandle.h"
#include "platform/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

HINSTANCE Instance() { return platform::Module::Instance(); }

std::wstring Text(UINT id) { return platform::LoadStringResource(Instance(), id); }

// The tooltip of a command: its string after the line break.
std::wstring Tooltip(UINT id) {
    const std::wstring text = Text(id);
    const size_t at = text.find(L'\n');
    return at == std::wstring::npos ? text : text.substr(at + 1);
}

// Registers a window class of this module for the process, whatever its threads do.
bool RegisterOnce(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
    WNDCLASSEXW cls = {};
    cls.cbSize = sizeof cls;
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = procedure;
    cls.hInstance = Instance();
    cls.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.hbrBackground = background;
    cls.lpszClassName = name;
    return platform::RegisterWindowClass(cls);
}

// The layout of a toolbar resource: version, image width and height, button count, then the
// buttons' commands (0 for a separator).
std::vector<WORD> ToolbarCommands(SIZE& image) {
    HRSRC found = ::FindResourceW(Instance(), MAKEINTRESOURCEW(IDR_PREVIEW_TOOLBAR), MAKEINTRESOURCEW(RT_PREVIEW_TOOLBAR));
    HGLOBAL loaded = found ? ::LoadResource(Instance(), found) : nullptr;
    const auto* data = static_cast<const WORD*>(loaded ? ::LockResource(loaded) : nullptr);
    const DWORD words = found ? ::SizeofResource(Instance(), found) / sizeof(WORD) : 0;
    if (!data || words < 4 || data[0] != 1 || words < 4u + data[3]) return {};
    image = {data[1], data[2]};
    return std::vector<WORD>(data + 4, data + 4 + data[3]);
}

// One page of the job into the metafile's DC. However the page ends, the job ends its run (a
// batch job then puts the layers back as they were).
void DrawPage(MapPrintJobInfo& job, UINT page, HDC dc) {
    bool ended = false;
    platform::ScopeExit cancel([&] {
        if (ended) return;
        try {
            job.EndPrintJob(dc, true);
        }
        COM_CATCH_LOG();
    });
    job.PrePrintPage(page, dc);
    job.PrintPage(page, dc);
    job.PostPrintPage(page, dc);
    ended = true;
    job.EndPrintJob(dc, false);
}

}  // namespace

CMapPrintPreview::CMapPrintPreview(std::unique_ptr<MapPrintJobInfo> job, PrintPreviewHost* host)
    : job_(std::move(job)), host_(host) {}

CMapPrintPreview::~CMapPrintPreview() {
    Detach();
    if (images_) ::ImageList_Destroy(images_);
}

bool CMapPrintPreview::Create() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (!RegisterOnce(kFrameClass, &FrameProcedure, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)) ||
        !RegisterOnce(kPageClass, &PageProcedure, nullptr)) {
        job_.reset();
        return false;
    }
    const std::wstring caption = Text(IDS_PREVIEW_CAPTION);
    ::CreateWindowExW(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, kFrameClass, caption.c_str(),
                      WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MAXIMIZE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, Instance(), this);
    if (!frame_) {
        job_.reset();
        return false;
    }
    ::ShowWindow(frame_, SW_HIDE);
    ::ShowWindow(frame_, SW_SHOW);
    return true;
}

void CMapPrintPreview::Detach() noexcept {
    host_ = nullptr;
    if (frame_ && ::IsWindow(frame_)) ::DestroyWindow(frame_);
}

LRESULT CALLBACK CMapPrintPreview::FrameProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* created = static_cast<CMapPrintPreview*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        created->frame_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<CMapPrintPreview*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    // The object stays while one of its messages is handled, even when the map lets go of it.
    const std::shared_ptr<CMapPrintPreview> hold = self->weak_from_this().lock();
    LRESULT result = 0;
    bool handled = false;
    try {
        handled = self->OnFrameMessage(msg, wp, lp, result);
    }
    COM_CATCH_LOG();
    if (msg == WM_CREATE && !handled) return -1;
    if (!handled) result = ::DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->frame_ = self->page_ = self->toolbar_ = self->status_ = nullptr;
        if (self->images_) ::ImageList_Destroy(self->images_);
        self->images_ = nullptr;
    }
    return result;
}

LRESULT CALLBACK CMapPrintPreview::PageProcedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* owner = reinterpret_cast<CMapPrintPreview*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_ERASEBKGND) return 1;
    if (msg == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(hwnd, &paint);
        try {
            RECT client;
            ::GetClientRect(hwnd, &client);
            if (owner) owner->PaintPage(dc, client);
        }
        COM_CATCH_LOG();
        ::EndPaint(hwnd, &paint);
        return 0;
    }
    if (msg == WM_NCDESTROY) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool CMapPrintPreview::OnFrameMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_CREATE:
        result = OnCreate() ? 0 : -1;
        return true;
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) LayOut();
        return true;
    case WM_COMMAND:
        OnCommand(LOWORD(wp));
        return true;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lp);
        if (header->hwndFrom != toolbar_ || header->code != TBN_DROPDOWN) return false;
        ShowSetupMenu(*reinterpret_cast<const NMTOOLBARW*>(lp));
        result = TBDDRET_DEFAULT;
        return true;
    }
    case WM_KEYDOWN:
        return OnKey(wp);
    case WM_SYSCHAR:
        // Alt+C closes.
        if ((wp == L'c' || wp == L'C') && (lp & (1 << 29))) {
            ::SendMessageW(frame_, WM_CLOSE, 0, 0);
            return true;
        }
        return false;
    case WM_DESTROY:
        OnDestroy();
        return false;
    default:
        return false;
    }
}

bool CMapPrintPreview::OnCreate() {
    page_ = ::CreateWindowExW(0, kPageClass, L"Print Preview", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                              0, 0, 0, 0, frame_, nullptr, Instance(), this);
    if (!page_) return false;
    // The pages take no input: every command comes through the frame.
    ::EnableWindow(page_, FALSE);
    int count = 0;
    try {
        count = job_ ? static_cast<int>(job_->GetPageCount()) : 0;
    }
    COM_CATCH_LOG();
    last_ = count - 1;
    current_ = 0;
    RenderPage();
    status_ = ::CreateWindowExW(0, STATUSCLASSNAMEW, L"",
                                WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                frame_, nullptr, Instance(), nullptr);
    int parts[] = {-1};
    if (status_) ::SendMessageW(status_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    CreateToolbar();
    UpdateControls();
    LayOut();
    return true;
}

void CMapPrintPreview::CreateToolbar() {
    toolbar_ = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | TBSTYLE_FLAT |
                                     TBSTYLE_TOOLTIPS | TBSTYLE_LIST | CCS_TOP,
                                 0, 0, 0, 0, frame_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDR_PREVIEW_TOOLBAR)),
                                 Instance(), nullptr);
    if (!toolbar_) return;
    ::SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
    SIZE image = {16, 15};
    const std::vector<WORD> commands = ToolbarCommands(image);
    images_ = ::ImageList_LoadImageW(Instance(), MAKEINTRESOURCEW(IDR_PREVIEW_TOOLBAR), image.cx, 0, RGB(255, 0, 255),
                                     IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ::SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(image.cx, image.cy));
    ::SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));

    std::vector<TBBUTTON> buttons;
    int nextImage = 0;
    for (WORD command : commands) {
        TBBUTTON button = {};
        if (command == 0) {
            button.fsStyle = BTNS_SEP;
            button.iBitmap = 6;
            buttons.push_back(button);
            continue;
        }
        button.idCommand = command;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        std::wstring text = Tooltip(command);
        if (command == ID_PREVIEW_CLOSE) {
            // The close button is its text alone.
            button.iBitmap = I_IMAGENONE;
            button.fsStyle |= BTNS_SHOWTEXT;
            text = Text(IDS_PREVIEW_CLOSE);
        } else {
            button.iBitmap = nextImage++;
        }
        if (command == ID_PREVIEW_PRINT) button.fsStyle |= BTNS_DROPDOWN | BTNS_SHOWTEXT;
        text.push_back(L'\0');  // the string list ends with an empty string
        button.iString = ::SendMessageW(toolbar_, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(text.c_str()));
        buttons.push_back(button);
    }
    ::SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

void CMapPrintPreview::LayOut() {
    if (!frame_) return;
    RECT client;
    ::GetClientRect(frame_, &client);
    long top = 0, bottom = client.bottom;
    RECT bar;
    if (toolbar_) {
        ::SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
        ::GetWindowRect(toolbar_, &bar);
        top = bar.bottom - bar.top;
    }
    if (status_) {
        ::SendMessageW(status_, WM_SIZE, 0, 0);
        ::GetWindowRect(status_, &bar);
        bottom -= bar.bottom - bar.top;
    }
    if (page_) ::MoveWindow(page_, 0, top, client.right, bottom > top ? bottom - top : 0, TRUE);
}

void CMapPrintPreview::OnCommand(UINT command) {
    switch (command) {
    case ID_PREVIEW_PREVIOUS:
        if (current_ > 0) ShowPage(current_ - 1);
        break;
    case ID_PREVIEW_NEXT:
        if (current_ < last_) ShowPage(current_ + 1);
        break;
    case ID_PREVIEW_FIRST:
        ShowPage(0);
        break;
    case ID_PREVIEW_LAST:
        ShowPage(last_);
        break;
    case ID_PREVIEW_PRINT:
        Print();
        break;
    case ID_PREVIEW_PORTRAIT:
    case ID_PREVIEW_LANDSCAPE:
    case ID_PREVIEW_CUSTOM:
        ChangeLayout(static_cast<long>(command - ID_PREVIEW_PORTRAIT));
        break;
    case ID_PREVIEW_SETUP:
        if (host_ && job_ && host_->PageSetupThenPrepare(*job_, frame_)) Refresh();
        break;
    case ID_PREVIEW_CLOSE:
        ::SendMessageW(frame_, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

bool CMapPrintPreview::OnKey(WPARAM key) {
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    UINT command = 0;
    switch (key) {
    case VK_PRIOR: command = ID_PREVIEW_PREVIOUS; break;
    case VK_NEXT: command = ID_PREVIEW_NEXT; break;
    case VK_UP: command = control ? ID_PREVIEW_PREVIOUS : 0; break;
    case VK_DOWN: command = control ? ID_PREVIEW_NEXT : 0; break;
    case VK_HOME: command = ID_PREVIEW_FIRST; break;
    case VK_END: command = ID_PREVIEW_LAST; break;
    case L'P': command = control ? ID_PREVIEW_PRINT : 0; break;
    default: break;
    }
    if (command) OnCommand(command);
    return command != 0;
}

void CMapPrintPreview::ShowSetupMenu(const NMTOOLBARW& button) {
    platform::UniqueHMenu menu(::LoadMenuW(Instance(), MAKEINTRESOURCEW(IDR_PREVIEW_SETUP_MENU)));
    HMENU setup = menu ? ::GetSubMenu(menu.Get(), 0) : nullptr;
    if (!setup) return;
    if (host_) {
        const long layout = host_->CurrentLayout();
        const UINT checked = layout == 0 ? ID_PREVIEW_PORTRAIT : layout == 1 ? ID_PREVIEW_LANDSCAPE : ID_PREVIEW_CUSTOM;
        ::CheckMenuRadioItem(setup, ID_PREVIEW_PORTRAIT, ID_PREVIEW_CUSTOM, checked, MF_BYCOMMAND);
    }
    POINT corner = {button.rcButton.left, button.rcButton.bottom};
    ::ClientToScreen(toolbar_, &corner);
    platform::Prompts().TrackPopupMenu(setup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, corner.x, corner.y, frame_);
}

void CMapPrintPreview::Print() {
    if (host_ && job_) {
        // The copy goes to the map's print run; the preview keeps its own job.
        const std::shared_ptr<MapPrintJobInfo> job = job_;
        std::unique_ptr<PrintJobInfo> copy = job->Clone();
        try {
            host_->PrintJobCopy(std::unique_ptr<MapPrintJobInfo>(static_cast<MapPrintJobInfo*>(copy.release())));
        }
        COM_CATCH_LOG();
    }
    if (frame_) ::SetForegroundWindow(frame_);
}

void CMapPrintPreview::ChangeLayout(long layout) {
    if (!host_ || !job_ || !host_->SelectLayout(layout)) return;
    if (job_ && host_) host_->PreparePrintJob(*job_);
    Refresh();
}

void CMapPrintPreview::Refresh() {
    if (!job_) return;
    if (host_) job_->SetTitle(platform::ToWide(platform::ToAnsi(host_->QuickPrintTitle())));
    int count = 0;
    try {
        count = static_cast<int>(job_->GetPageCount());
    }
    COM_CATCH_LOG();
    if (count - 1 != last_) {
        last_ = count - 1;
        current_ = 0;
    }
    ShowPage(current_);
}

void CMapPrintPreview::ShowPage(int page) {
    current_ = last_ < 0 ? 0 : std::max(0, std::min(page, last_));
    RenderPage();
    if (page_) ::InvalidateRect(page_, nullptr, TRUE);
    UpdateControls();
}

void CMapPrintPreview::RenderPage() {
    metafile_.Reset();
    // A page being drawn keeps its job, even when the window closes meanwhile.
    const std::shared_ptr<MapPrintJobInfo> job = job_;
    if (!job || last_ < 0) return;
    try {
        platform::UniqueCreatedDC printer(CreatePrinterDC(job->GetPrinterName(), job->GetDevMode().Get()));
        if (!printer) return;
        const int dpiX = ::GetDeviceCaps(printer.Get(), LOGPIXELSX), dpiY = ::GetDeviceCaps(printer.Get(), LOGPIXELSY);
        if (dpiX < 1 || dpiY < 1) return;
        paper_ = {::GetDeviceCaps(printer.Get(), PHYSICALWIDTH) * 2540 / dpiX,
                  ::GetDeviceCaps(printer.Get(), PHYSICALHEIGHT) * 2540 / dpiY};
        const RECT frame = {0, 0, paper_.cx, paper_.cy};
        HDC dc = ::CreateEnhMetaFileW(printer.Get(), nullptr, &frame, L"VadAZ\0Print Preview\0");
        if (!dc) return;
        struct Recording {
            HDC dc;
            ~Recording() {
                if (dc) ::DeleteEnhMetaFile(::CloseEnhMetaFile(dc));
            }
        } recording{dc};
        DrawPage(*job, static_cast<UINT>(current_), dc);
        recording.dc = nullptr;
        metafile_.Reset(::CloseEnhMetaFile(dc));
    }
    COM_CATCH_LOG();
}

void CMapPrintPreview::UpdateControls() {
    wchar_t text[128] = {};
    std::swprintf(text, 128, Text(IDS_PREVIEW_PAGE).c_str(), current_ + 1, last_ + 1);
    if (status_) ::SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    if (!toolbar_) return;
    const bool before = current_ > 0, after = current_ < last_;
    ::SendMessageW(toolbar_, TB_ENABLEBUTTON, ID_PREVIEW_PREVIOUS, MAKELPARAM(before, 0));
    ::SendMessageW(toolbar_, TB_ENABLEBUTTON, ID_PREVIEW_FIRST, MAKELPARAM(before, 0));
    ::SendMessageW(toolbar_, TB_ENABLEBUTTON, ID_PREVIEW_NEXT, MAKELPARAM(after, 0));
    ::SendMessageW(toolbar_, TB_ENABLEBUTTON, ID_PREVIEW_LAST, MAKELPARAM(after, 0));
}

// The page, as large as the window allows in the paper's shape, on a grey ground with a shadow.
void CMapPrintPreview::PaintPage(HDC dc, const RECT& client) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_APPWORKSPACE));
    if (paper_.cx <= 0 || paper_.cy <= 0) return;
    const long margin = 8;
    const long width = client.right - 2 * margin, height = client.bottom - 2 * margin;
    if (width <= 0 || height <= 0) return;
    long pageWidth = width, pageHeight = ::MulDiv(width, paper_.cy, paper_.cx);
    if (pageHeight > height) {
        pageHeight = height;
        pageWidth = ::MulDiv(height, paper_.cx, paper_.cy);
    }
    RECT page = {(client.right - pageWidth) / 2, (client.bottom - pageHeight) / 2, 0, 0};
    page.right = page.left + pageWidth;
    page.bottom = page.top + pageHeight;
    RECT shadow = page;
    ::OffsetRect(&shadow, 3, 3);
    ::FillRect(dc, &shadow, ::GetSysColorBrush(COLOR_BTNSHADOW));
    ::FillRect(dc, &page, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    if (metafile_) ::PlayEnhMetaFile(dc, metafile_.Get(), &page);
}

void CMapPrintPreview::OnDestroy() noexcept {
    metafile_.Reset();
    job_.reset();
}
