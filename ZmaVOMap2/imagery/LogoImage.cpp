#include "ZmaVOMap2/imagery/LogoImage.h"

#include "ZmaVOMap2/imagery/ImageryResource.h"
#include "platform/Module.h"

#include <cstring>

namespace imagery {

GdiplusSession::GdiplusSession() noexcept {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
}

GdiplusSession::~GdiplusSession() {
    if (token_) Gdiplus::GdiplusShutdown(token_);
}

LogoImage::~LogoImage() {
    // The image reads from the stream until it goes.
    image_.reset();
    stream_.Reset();
}

std::unique_ptr<LogoImage> LoadLogoImage() {
    HMODULE module = platform::Module::Instance();
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_IMAGERY_LOGO), L"PNG");
    if (!found) return nullptr;
    const DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return nullptr;

    HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!copy) return nullptr;
    if (void* target = ::GlobalLock(copy)) {
        std::memcpy(target, bytes, size);
        ::GlobalUnlock(copy);
    } else {
        ::GlobalFree(copy);
        return nullptr;
    }
    auto logo = std::make_unique<LogoImage>();
    // The stream frees the memory when it goes.
    if (FAILED(::CreateStreamOnHGlobal(copy, TRUE, logo->stream_.Put()))) {
        ::GlobalFree(copy);
        return nullptr;
    }
    logo->image_.reset(Gdiplus::Image::FromStream(logo->stream_.Get()));
    if (!logo->image_ || logo->image_->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return logo;
}

}  // namespace imagery
