// The imagery provider's logo, drawn in the map's bottom-right corner: PNG resource 369 of the
// module, decoded by GDI+ from a stream over a copy of the resource that lives as long as the
// image (GDI+ reads it lazily).
#pragma once

#include "platform/Com.h"
#include "platform/Gdiplus.h"

#include <memory>

namespace imagery {

// GDI+ for the life of an object that draws with it, whoever else starts and stops it.
class GdiplusSession {
public:
    GdiplusSession() noexcept;
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Started() const noexcept { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

class LogoImage {
public:
    LogoImage() = default;
    ~LogoImage();
    LogoImage(const LogoImage&) = delete;
    LogoImage& operator=(const LogoImage&) = delete;

    Gdiplus::Image* Get() const noexcept { return image_.get(); }
    explicit operator bool() const noexcept { return image_ != nullptr; }

private:
    friend std::unique_ptr<LogoImage> LoadLogoImage();
    platform::ComPtr<IStream> stream_;
    std::unique_ptr<Gdiplus::Image> image_;
};

// The logo, or null when the resource is missing or does not decode. GDI+ must be started.
std::unique_ptr<LogoImage> LoadLogoImage();

}  // namespace imagery
