// kestrel-cli report: a configuration report of a saved document or of the reader on the
// port, as HTML or PDF. The report names the document by the SHA-256 of its bytes (for a
// reader: the bytes it would be saved as).
#include "cli/CliCommands.h"
#include "ui/PdfFile.h"
#include "document/ConfigurationReport.h"
#include "platform/AtomicFile.h"

#include <cctype>
#include <iostream>

namespace {

bool EndsWith(const std::string& text, const std::string& end)
{
    if (text.size() < end.size()) return false;
    for (size_t i = 0; i < end.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - end.size() + i])) != end[i]) return false;
    return true;
}

} // namespace

int WriteReport(const ConfigurationReport& report, const std::string& output)
{
    std::string error;
    if (EndsWith(output, ".html") || EndsWith(output, ".htm")) {
        if (!WriteFileAtomically(output, report.ToHtml(), &error)) {
            std::cerr << "kestrel-cli report: cannot write " << output << ": " << error << '\n';
            return ExitFailed;
        }
        return ExitOk;
    }
    if (EndsWith(output, ".pdf")) {
        if (!WritePdfFile(output, [&report](Canvas& canvas) { return report.Draw(canvas); }, error)) {
            std::cerr << "kestrel-cli report: cannot write " << output << ": " << error << '\n';
            return ExitFailed;
        }
        return ExitOk;
    }
    std::cerr << "kestrel-cli report: --output must name a .html or .pdf file\n";
    return ExitUsage;
}
