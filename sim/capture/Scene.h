// The simulated imager's scene: a light frame, a gray ramp, seeded noise and a Code 128 symbol drawn by
// libstripe32 whose text changes with every capture ("KESTREL 0001", "KESTREL 0002", ...).
// The same capture number always gives the same pixels, so tests can compare a captured
// picture with the scene it came from.
#pragma once

#include "transfer/image/HIMAGE.h"

#include <string>

namespace SimScene {

// The text of the symbol in capture `number`.
std::string SymbolText(unsigned number);
// The whole sensor picture of capture `number`. A test pattern has no noise and no symbol.
HIMAGE Render(int width, int height, unsigned number, bool testPattern = false);
// The window L..R, T..B (inclusive) of `full`, every `subsample`-th pixel; the sides are
// (R - L + 1) / S and (B - T + 1) / S. Depth 1 thresholds at 128.
HIMAGE Window(const HIMAGE& full, int left, int top, int right, int bottom, int subsample, int depth);

} // namespace SimScene
