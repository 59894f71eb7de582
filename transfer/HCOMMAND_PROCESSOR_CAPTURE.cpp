// Capture commands of imaging readers. The picture itself comes back unasked and is taken in
// by the received-data dispatcher.
#include "transfer/HCOMMAND_PROCESSOR.h"

#include "transfer/HCOMM.h"

#include <algorithm>
#include <cstdio>

namespace {

bool IsStatusByte(unsigned char c) { return c == 0x06 || c == 0x05 || c == 0x15; }

} // namespace

bool HCOMMAND_PROCESSOR::SkipCaptureEcho(const std::string& command)
{
    // The reader echoes the command with a status byte in front of each separator and of the
    // terminator; the picture follows right behind it. Read a byte at a time so that nothing
    // of the picture is taken here; anything that does not fit the echo goes back to the
    // dispatcher unchanged.
    std::string heard;
    size_t at = 0;
    const unsigned waitMs = std::min(m_CommandReplyTimeOut, 1000u);
    while (at < command.size()) {
        unsigned char byte = 0;
        if (ReadInput(&byte, 1, waitMs) != 1)
            break;
        heard.push_back(static_cast<char>(byte));
        const char expected = command[at];
        const bool separator = expected == ';' || at + 1 == command.size();
        if (static_cast<char>(byte) == expected) {
            ++at;
            continue;
        }
        if (separator && IsStatusByte(byte) && (heard.size() < 2 || !IsStatusByte(static_cast<unsigned char>(heard[heard.size() - 2]))))
            continue;
        break;
    }
    if (at == command.size())
        return true;
    PushBackInput(reinterpret_cast<const unsigned char*>(heard.data()), static_cast<unsigned>(heard.size()));
    return false;
}

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
    const std::string command = WindowCaptureCommand(left, top, right, bottom, subsample, depth);
    m_PictureExpected = SendOnly(command.c_str());
    if (m_PictureExpected)
        SkipCaptureEcho(command);
    return m_PictureExpected;
}

bool HCOMMAND_PROCESSOR::CapturePlain(int subsample, int format, int quality)
{
    if (!m_CaptureMode)
        return false;
    const std::string command = "IMGSNP1U1P;IMGSHP" + CaptureOptions(subsample, format, quality) + ".";
    m_PictureExpected = SendOnly(command.c_str());
    if (m_PictureExpected)
        SkipCaptureEcho(command);
    return m_PictureExpected;
}

bool HCOMMAND_PROCESSOR::CaptureTestImage(int subsample, int format, int quality)
{
    const std::string command = "IMGTST" + CaptureOptions(subsample, format, quality) + ".";
    m_PictureExpected = SendOnly(command.c_str());
    if (m_PictureExpected)
        SkipCaptureEcho(command);
    return m_PictureExpected;
}
