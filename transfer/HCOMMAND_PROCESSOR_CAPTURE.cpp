// Capture commands of imaging readers. The picture itself comes back unasked and is taken in
// by the received-data dispatcher.
#include "transfer/HCOMMAND_PROCESSOR.h"

#include "transfer/HCOMM.h"

#include <cstdio>

std::string HCOMMAND_PROCESSOR::WindowCaptureCommand(int left, int top, int right, int bottom, int subsample,
                                                     int depth)
{
    std::string command = "IMGSNP1L1P,SHP8F";
    char field[24];
    auto add = [&](int value, char name) {
        std::snprintf(field, sizeof field, "%d%c", value, name);
        command += field;
    };
    if (left >= 0)
        add(left, 'L');
    if (top >= 0)
        add(top, 'T');
    // The reader counts the right and bottom edges inclusively; callers pass them exclusive.
    if (right > 0)
        add(right - 1, 'R');
    if (bottom > 0)
        add(bottom - 1, 'B');
    if (subsample > 0)
        add(subsample, 'S');
    if (depth > 0)
        add(depth, 'D');
    return command + ".";
}

std::string HCOMMAND_PROCESSOR::CaptureOptions(int subsample, int format, int quality)
{
    std::string options;
    char field[24];
    if (subsample > 0) {
        std::snprintf(field, sizeof field, "%dS", subsample);
        options += field;
    }
    if (format >= 0) {
        std::snprintf(field, sizeof field, "%dF%dJ", format, quality);
        options += field;
    }
    return options;
}

bool HCOMMAND_PROCESSOR::CaptureWindow(int left, int top, int right, int bottom, int subsample, int depth)
{
    HSTRING reply(32);
    if (!SendMenuCommand(HSTRING("TSTAOF!"), &reply))
        return false;
    if (!m_ExtraCaptureCommand.empty() && !SendMenuCommand(HSTRING(m_ExtraCaptureCommand.c_str()), &reply))
        return false;
    m_PictureExpected = SendOnly(WindowCaptureCommand(left, top, right, bottom, subsample, depth).c_str());
    return m_PictureExpected;
}

bool HCOMMAND_PROCESSOR::CapturePlain(int subsample, int format, int quality)
{
    if (!m_CaptureMode)
        return false;
    const std::string command = "IMGSNP1U1P;IMGSHP" + CaptureOptions(subsample, format, quality) + ".";
    m_PictureExpected = SendOnly(command.c_str());
    return m_PictureExpected;
}

bool HCOMMAND_PROCESSOR::CaptureTestImage(int subsample, int format, int quality)
{
    const std::string command = "IMGTST" + CaptureOptions(subsample, format, quality) + ".";
    m_PictureExpected = SendOnly(command.c_str());
    return m_PictureExpected;
}
