// CloningText: the configuration of a document as menu commands for cloning bar codes.
//
// A cloning sheet holds what a fresh reader needs to become a copy of this one: the device's
// defaults command, every setting that differs from its default (radio groups once), the
// prefix/suffix and data-format block commands of the current table, and the device's
// closing commands. The text comes in one of two forms: linear (one "~TAG value." + FNC3 per
// Code 128 symbol) or Aztec (all commands in one symbol, ";" between them, "." at the end).
#pragma once

#include "barcode/CBarCodeSymbol.h"

#include <string>
#include <vector>

class CDevice;
class CQLMenuDoc;

enum class CloningForm { Linear, Aztec };

// Block commands that restate what the defaults command already sets.
inline constexpr const char* kCloningDroppedCommands[] = { "PRECA2", "SUFCA2", "AXPCA2", "AXSCA2", "DFMCA3", "AXDCA3",
    "PRE_EN1", "SUF_EN1", "AXP_EN1", "AXS_EN1", "DFM_EN1", "AXD_EN1", "DFMRQD1", "AIMIDX0", "CODIDX0" };

// Linear when the catalog row says so or the reader knows the matrix commands but not Aztec.
// The wireless classes only have linear headers and trailers, so they are always linear.
CloningForm ChooseCloningForm(const CDevice& device);

// Runs the document's validation gate (a pending edit out of range stops here, false),
// collects the control values and builds the text in `form`.
bool BuildCloningText(CQLMenuDoc& document, CloningForm form, std::string& text);

// The text from a device and the document's controls (bindings already collected).
std::string BuildCloningTextFor(CDevice& device, const std::vector<struct ControlBinding>& bindings,
    CloningForm form);

// Restates a header or trailer of either form in `form`: the commands are kept, the prefixes
// and terminators are those of `form`.
std::string RestateCommands(const std::string& text, CloningForm form);

// The document's controls as the symbols' description captions need them.
std::vector<CaptionControl> CaptionControlsOf(const CQLMenuDoc& document);
