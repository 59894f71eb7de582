#include "sim/flash/NewFirmware.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

bool AllDigits(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::string RevisionAfterFlash(const std::string& revQx, const std::string& image)
{
    const size_t base = revQx.size() >= 3 ? revQx.size() - 3 : 0;
    const std::string oldDigits = revQx.substr(base);
    int revision = (AllDigits(oldDigits) ? std::atoi(oldDigits.c_str()) : 0) + 1;
    const auto mark = image.find("KSTREV=");
    if (mark != std::string::npos && mark + 10 <= image.size()) {
        const std::string digits = image.substr(mark + 7, 3);
        if (AllDigits(digits))
            revision = std::atoi(digits.c_str());
    }
    char tail[8];
    std::snprintf(tail, sizeof tail, "%03d", revision % 1000);
    return revQx.substr(0, base) + tail;
}

void StartNewFirmware(ReaderModel& model, const std::string& image)
{
    model.SetRevisionText(RevisionAfterFlash(model.Profile().revQx, image));
    if (model.Has(CapWireless)) {
        for (const char* tag : { "BASEID", "RADCOD" })
            if (SettingState* setting = model.Find(tag))
                setting->values.assign(setting->values.size(), setting->profile.defaultValue);
    }
}
