// The reader's scanner: what a decoded symbol does to the simulated reader.
//
//   Code 128 with FNC3     "~TAG value."  one menu command, handled as on the line (ranges,
//                                          DEFALT, GRPSEL, REMOVE, blocks);
//                          "~" id          (no tag, no period) the base id of a wireless base;
//                          "~KESTRL."      switches the reader to its serial interface;
//   Aztec                  "cmd;cmd;...cmd."  every command in order;
//   anything else          ignored, as a reader in menu mode ignores ordinary data.
//
// The texts are parsed here, not with the program's code, so that the simulator checks what
// the program prints rather than agreeing with it.
#include "sim/ReaderEngine.h"

#include "sim/MenuCommand.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* kSerialInterfaceCommand = "~KESTRL.";

bool AllDigits(const std::string& text)
{
    return !text.empty()
        && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::string Printable(const std::string& bytes)
{
    std::string text;
    for (const unsigned char c : bytes.substr(0, 120))
        text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    return text;
}

} // namespace

bool ReaderEngine::ScanCommand(const std::string& text)
{
    // On the line the radio identity needs the unlock command first, so that a host cannot
    // change it by accident; a symbol scanned by hand is the user's own act and needs none.
    const std::string tag = text.substr(0, 6);
    if (tag == "BASEID" || tag == "RADCOD")
        model_.radioUnlocked = true;
    AnswerCommand(text, '.');
    model_.radioUnlocked = false;
    const bool accepted = !transcript_.empty() && transcript_.back().status == kAck;
    // A scanned line setting takes effect at once; there is no reply to wait for.
    ApplyPendingLine();
    return accepted;
}

bool ReaderEngine::Scan(ScanFormat format, const std::string& bytes, bool readerInit)
{
    bool accepted = false;
    std::string what = "ignored";
    if (format == ScanFormat::Code128 && readerInit && bytes == kSerialInterfaceCommand) {
        silent_ = false;
        accepted = true;
        what = "serial interface";
    } else if (silent_) {
        what = "ignored (keyboard interface)";
    } else if (format == ScanFormat::Code128 && readerInit && bytes.size() >= 2 && bytes[0] == '~') {
        const std::string body = bytes.substr(1);
        if (body.back() == '.' && body.size() > 1) {
            accepted = ScanCommand(body.substr(0, body.size() - 1));
            what = "menu command";
        } else if (AllDigits(body)) {
            // The base id symbol carries neither tag nor period.
            accepted = ScanCommand("BASEID" + body);
            what = "base id";
        }
    } else if (format == ScanFormat::Aztec && !bytes.empty() && bytes.back() == '.') {
        const std::string text = bytes.substr(0, bytes.size() - 1);
        accepted = true;
        size_t start = 0;
        int count = 0;
        while (start <= text.size()) {
            const size_t end = std::min(text.find(';', start), text.size());
            const std::string command = text.substr(start, end - start);
            if (!command.empty()) {
                accepted = ScanCommand(command) && accepted;
                ++count;
            }
            start = end + 1;
        }
        what = "aztec, " + std::to_string(count) + " commands";
    }
    constexpr size_t kScanLogLimit = 4096;
    if (scanLog_.size() >= kScanLogLimit)
        scanLog_.erase(scanLog_.begin(), scanLog_.begin() + kScanLogLimit / 2);
    scanLog_.push_back(std::string(accepted ? "accepted " : "refused ") + what + ": " + Printable(bytes));
    return accepted;
}
