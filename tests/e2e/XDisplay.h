// What the end-to-end test needs of the X server beyond xdotool: images of windows and the
// window manager's close request. No X11 types appear here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0x00RRGGBB, row by row

    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A pixel box: left, top inclusive; right, bottom exclusive. Empty when nothing matched.
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    double CenterX() const { return (left + right) / 2.0; }
    double CenterY() const { return (top + bottom) / 2.0; }
};

class XDisplay {
public:
    explicit XDisplay(const std::string& name);
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    bool IsOpen() const { return m_display != nullptr; }
    // The window's contents as shown now.
    ScreenImage Capture(unsigned long window) const;
    // What a window manager sends when the close box is clicked (WM_DELETE_WINDOW).
    bool SendCloseRequest(unsigned long window) const;

private:
    void* m_display = nullptr;
};

// The box around every pixel of exactly that colour inside `within` (whole image when empty).
PixelBox FindColour(const ScreenImage& image, std::uint32_t rgb, PixelBox within = {});
// Saves the image as a PNG.
bool SavePng(const ScreenImage& image, const std::string& path);
