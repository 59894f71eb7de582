// What a reader does when it starts firmware it has just been given, whichever loader took it.
#pragma once

#include "sim/ReaderModel.h"

#include <string>

// The revision text the new firmware reports: the three digits after "KSTREV=" in its image,
// else the old revision plus one (wrapping at 1000). The base number stays.
std::string RevisionAfterFlash(const std::string& revQx, const std::string& image);

// Starts the new firmware: it reports its revision, and a cordless reader forgets its base id
// and radio country code (factory values). Other settings live on.
void StartNewFirmware(ReaderModel& model, const std::string& image);
