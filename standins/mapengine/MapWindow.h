// The engine's window. It exists from the map's creation on (hidden, without a parent) so that
// its handle can be used for drawing before the map is activated; in-place activation makes it a
// child of the container's window.
#pragma once

#include <windows.h>

namespace mapengine {

class MapWindowHandler {
public:
    virtual void OnPaint(HDC dc, const RECT& client) = 0;
    virtual void OnSize(int width, int height) = 0;
    // Button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt.
    virtual void OnMouseDown(short button, short shift, int x, int y) = 0;
    virtual void OnMouseUp(short button, short shift, int x, int y) = 0;
    virtual void OnMouseMove(short button, short shift, int x, int y) = 0;
    virtual void OnDoubleClick(short shift, int x, int y) = 0;
    virtual void OnKeyDown(short key, short shift) = 0;
    virtual void OnKeyUp(short key, short shift) = 0;
    virtual void OnChar(short character) = 0;

protected:
    ~MapWindowHandler() = default;
};

class MapWindow {
public:
    explicit MapWindow(MapWindowHandler& handler) noexcept : handler_(handler) {}
    MapWindow(const MapWindow&) = delete;
    MapWindow& operator=(const MapWindow&) = delete;
    ~MapWindow() { Destroy(); }

    // A hidden window of the given size, without a parent.
    void Create(int width, int height);
    // Becomes the first (top) child of `parent` at `rect`, visible.
    void PlaceIn(HWND parent, const RECT& rect);
    void Move(const RECT& rect);
    void Resize(int width, int height);
    void Destroy() noexcept;

    HWND Handle() const noexcept { return hwnd_; }
    void Invalidate() noexcept;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

    MapWindowHandler& handler_;
    HWND hwnd_ = nullptr;
};

}  // namespace mapengine
