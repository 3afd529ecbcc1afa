#include "XDisplay.h"

#include <algorithm>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {
Display* Dpy(void* d) {
    return static_cast<Display*>(d);
}
} // namespace

XDisplay::XDisplay(const std::string& name) {
    m_display = XOpenDisplay(name.c_str());
}

XDisplay::~XDisplay() {
    if (m_display)
        XCloseDisplay(Dpy(m_display));
}

ScreenImage XDisplay::Capture(unsigned long window) const {
    ScreenImage image;
    XWindowAttributes attributes;
    if (!m_display || !XGetWindowAttributes(Dpy(m_display), window, &attributes))
        return image;
    XImage* shot =
        XGetImage(Dpy(m_display), window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!shot)
        return image;
    image.width = attributes.width;
    image.height = attributes.height;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const unsigned long p = XGetPixel(shot, x, y);
            // 24-bit TrueColor: the masks say where each channel lies.
            auto channel = [p](unsigned long mask) {
                int shift = 0;
                while (mask && !(mask & 1)) {
                    mask >>= 1;
                    ++shift;
                }
                return static_cast<std::uint32_t>((p >> shift) & 0xFF);
            };
            image.pixels[static_cast<size_t>(y) * image.width + x] =
                (channel(shot->red_mask) << 16) | (channel(shot->green_mask) << 8) | channel(shot->blue_mask);
        }
    XDestroyImage(shot);
    return image;
}

bool XDisplay::SendCloseRequest(unsigned long window) const {
    if (!m_display)
        return false;
    Display* d = Dpy(m_display);
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(d, window, False, NoEventMask, &event) != 0;
    XFlush(d);
    return sent;
}

PixelBox FindColour(const ScreenImage& image, std::uint32_t rgb, PixelBox within) {
    if (within.Empty())
        within = {0, 0, image.width, image.height};
    PixelBox box{within.right, within.bottom, within.left, within.top};
    for (int y = within.top; y < within.bottom && y < image.height; ++y)
        for (int x = within.left; x < within.right && x < image.width; ++x)
            if (image.At(x, y) == rgb) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box.Empty() ? PixelBox{} : box;
}
