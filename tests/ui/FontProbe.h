#pragma once

#include <string>

struct FontProbe {
    int lettersWidth;   // advance of the 52 Latin letters
    int height;         // ascent + descent
    std::string family; // the family actually used
};
FontProbe ProbeFont(const char* family, int pixelSize);
