// PNG writing through Qt's image classes.
#include <QImage>
#include <QString>

#include "XDisplay.h"

bool SavePng(const ScreenImage& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0)
        return false;
    QImage out(image.width, image.height, QImage::Format_RGB32);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            out.setPixel(x, y, 0xFF000000u | image.At(x, y));
    return out.save(QString::fromStdString(path), "PNG");
}
