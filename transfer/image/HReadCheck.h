// The read check of a picture: what an independent decoder (zxing-cpp) finds in it — each
// symbol's symbology, text and corners — and two measures of the picture's quality: contrast
// (the spread between the 5th and 95th percentile of the gray values) and sharpness (the mean
// of the strongest horizontal step per row inside the symbol, in gray levels).
#pragma once

#include "transfer/image/HIMAGE.h"

#include <string>
#include <vector>

struct HREAD_SYMBOL {
    std::string symbology;
    std::string text;
    int corners[4][2] = {};  // top-left, top-right, bottom-right, bottom-left (x, y)
    int sharpness = 0;
};

struct HREAD_CHECK {
    std::vector<HREAD_SYMBOL> symbols;
    int contrast = 0;
};

HREAD_CHECK ReadCheck(const HIMAGE& image);
