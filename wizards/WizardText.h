// WizardText: small text rules the editor pages and wizards share.
//
// List rows are fixed-pitch columns (the lists use a fixed-pitch font), a value that is too
// long is cut and marked with "..."; a selection that was kept across a refill falls back to
// the last row when the list got shorter; wizard pages set their buttons by position.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// `text` cut to `cut` characters followed by "..." when it is longer than that, then padded
// with blanks to `width` characters (cut 0: never cut).
std::string FitColumn(std::string_view text, std::size_t width, std::size_t cut);

// The row to select after a list was refilled: the remembered one, the last one when the
// list became shorter, none (-1) when none was selected or the list is empty.
int SelectionAfterRefill(int remembered, int rows);

// The buttons a wizard page shows, by its position among the pages.
enum class WizardButtons { Next, BackNext, BackFinish };
WizardButtons WizardButtonsFor(int page, int pageCount);

// The one message every list page gives for a button that needs a selected row.
inline constexpr std::string_view kSelectItemMessage = "Please select an item from the above list";

// Shows `text` through the host (no caption, an OK button).
void ShowWizardMessage(std::string_view text);

// Cuts a display text to at most `limit` characters, a delimited name counting as one and
// never split. True when something was cut.
bool CutDisplayText(std::string& text, std::size_t limit);
