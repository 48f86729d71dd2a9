// The picture of a line pass. A serving or neighbour line pass draws thousands of lines, most of
// the frame's time with anti-aliasing, and draws the very same lines again whenever the view is
// repainted unchanged. A pass therefore hands its lines (ends and colour, in drawing order) to a
// LinePicture, which keeps the pixels under the lines before they were drawn and after: the next
// pass that would draw the same lines, with the same pen, into a drawing context clipped and
// mapped the same way, over the same pixels, gets the kept pixels back instead, which are the
// pixels drawing would give. Anything else (other lines or colours, another view, something else
// under the lines) draws the lines and keeps the picture anew.
//
// Only memory drawing contexts of 16, 24 or 32 bits per pixel can be read back: printers,
// metafiles and other devices are always drawn, and nothing drawn on them is kept.
#pragma once

#include "platform/UniqueHandle.h"

#include <windows.h>

#include <vector>

struct PictureLine {
    POINT from, to;
    COLORREF colour;
};

// How a pass draws its lines.
struct LineStyle {
    int width = 1;       // device pixels
    bool dashed = false;
    bool smooth = false;  // anti-aliased GDI+; GDI otherwise
    int dash = 20;        // GDI dash and gap length in device pixels
    RECT view = {0, 0, 0, 0};  // a GDI dash is drawn only when it starts inside the view

    bool operator==(const LineStyle& o) const noexcept {
        return width == o.width && dashed == o.dashed && smooth == o.smooth && dash == o.dash && ::EqualRect(&view, &o.view);
    }
};

// Draws the lines in order: GDI+ lines of the pen width (dashed with GDI+'s dash), or a solid GDI
// pen with dashes of `dash` pixels and equal gaps worked out along the line, the last one ending
// at the line's end; a line shorter than a dash gets none.
void PaintLines(HDC dc, const LineStyle& style, const std::vector<PictureLine>& lines);

class LinePicture {
public:
    LinePicture() = default;
    ~LinePicture();
    LinePicture(const LinePicture&) = delete;
    LinePicture& operator=(const LinePicture&) = delete;

    // Draws the lines into `dc`, or puts the kept picture back when it stands for exactly this.
    // `keep` false (printing) draws and leaves the kept picture alone.
    void Paint(HDC dc, const LineStyle& style, const std::vector<PictureLine>& lines, bool keep);
    // Drops the kept picture and its memory.
    void Forget() noexcept;
    // How many passes were served from a kept picture.
    long Reused() const noexcept { return reused_; }

private:
    // What decides a pass's pixels, besides the pixels under its lines.
    struct Key {
        LineStyle style;
        RECT region = {0, 0, 0, 0};  // logical coordinates of the drawing context
        POINT viewportOrigin = {0, 0}, windowOrigin = {0, 0};
        int rop2 = 0;
        std::vector<char> clip;  // the clipping region's data; empty without one
        std::vector<PictureLine> lines;
        bool operator==(const Key& o) const noexcept;
    };
    // A 32-bit top-down bitmap of the region's size with a drawing context of its own.
    struct Pixels {
        platform::UniqueCreatedDC dc;
        platform::UniqueHBitmap bitmap;
        HGDIOBJ old = nullptr;
        unsigned* bits = nullptr;
        int width = 0, height = 0;
        ~Pixels() { Release(); }
        void Release() noexcept;
        bool Make(HDC like, int w, int h);
        bool CopyFrom(HDC source, const RECT& region);
    };

    // The region the lines can touch within the bitmap of `dc`, in its logical coordinates;
    // false when the pixels of `dc` cannot be read back.
    static bool Readable(HDC dc, const std::vector<PictureLine>& lines, const LineStyle& style, RECT& region);
    static std::vector<char> ClipData(HDC dc);
    // Whether the pixels of `dc` over the region equal the kept background.
    bool SameBackground(HDC dc);
    static constexpr int kStripRows = 64;

    bool kept_ = false;
    Key key_;
    Pixels before_, after_, scratch_;
    POINT position_ = {0, 0};  // the drawing context's current position after a GDI pass
    long reused_ = 0;
};
