// Measures a font straight through Qt, beside the back end, for the dialog-unit checks.
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>

#include "FontProbe.h"

FontProbe ProbeFont(const char* family, int pixelSize) {
    QFont font;
    font.setFamilies(QStringList{QString::fromUtf8(family)});
    font.setPixelSize(pixelSize);
    QFontMetrics fm(font);
    int letters =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return FontProbe{letters, fm.height(), QFontInfo(font).family().toStdString()};
}
