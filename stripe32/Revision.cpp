// The library's revision text, kept as the keyword string our version control expands.
#include <cstring>
#include <string_view>

#include "stripe32/stripe32.h"

namespace {

constexpr std::string_view kRevisionKeyword = "$ProjectRevision: Last Checkpoint: 4.7 $";
constexpr std::string_view kKeywordLead = "$ProjectRevision: ";
// What callers get: the keyword without its lead and without the closing "$".
constexpr std::string_view kRevisionText
    = kRevisionKeyword.substr(kKeywordLead.size(), kRevisionKeyword.size() - kKeywordLead.size() - 1);
static_assert(kRevisionKeyword.substr(0, kKeywordLead.size()) == kKeywordLead);
// Callers provide 22 bytes: the 21 characters and the terminating zero.
static_assert(kRevisionText.size() + 1 <= 22);

} // namespace

extern "C" std::int32_t qxGetLinearEncoderRevString(char* buffer)
{
    if (buffer == nullptr) return -1;
    std::memcpy(buffer, kRevisionText.data(), kRevisionText.size());
    buffer[kRevisionText.size()] = '\0';
    return 0;
}
