#include "sim/RuleScan.h"

#include "device/blocks/DisplayText.h"
#include "sim/ReaderEngine.h"
#include "sim/ReaderModel.h"

#include <cstdio>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

std::string ValueOf(const ReaderModel& model, const char* tag, bool tableZero = false)
{
    const SettingState* setting = model.Find(tag);
    if (!setting) return {};
    if (tableZero && !setting->values.empty()) return setting->values.front();
    return model.Value(*setting);
}

void Take(const ReaderModel& model, const char* tag, std::string& into)
{
    if (model.Find(tag)) into = ValueOf(model, tag);
}

} // namespace

ReaderRules RulesOfModel(const ReaderModel& model)
{
    ReaderRules rules;
    rules.prefixes = ValueOf(model, "PREBK2");
    rules.suffixes = ValueOf(model, "SUFBK2");
    rules.formats = ValueOf(model, "DFMBK3");
    Take(model, "PRE_EN", rules.preEn);
    Take(model, "SUF_EN", rules.sufEn);
    Take(model, "CODIDX", rules.codeId);
    Take(model, "AIMIDX", rules.aimId);
    Take(model, "DFM_EN", rules.dfmEn);
    Take(model, "DFMRQD", rules.dfmRqd);
    std::string terminal;
    Take(model, "TERMID", terminal);
    if (!terminal.empty()) {
        rules.terminal = terminal;
        if (rules.terminal.size() < 3) rules.terminal.insert(0, 3 - rules.terminal.size(), '0');
    }
    return rules;
}

PreviewResult ScanThroughRules(ReaderEngine& engine, const std::string& code, const std::string& text)
{
    PreviewSample sample;
    sample.symbology = code;
    sample.data = DisplayTextToBytes(text);
    const PreviewResult result = RunFormatPreview(RulesOfModel(engine.Model()), sample);
    if (result.sent && !result.host.empty() && engine.Output()) engine.Output()->Send(result.host);
    return result;
}

bool RunScanLine(ReaderEngine& engine, const std::string& line, std::string& aux, std::string& error)
{
    // "scan" CODE TEXT: the text is everything after the blank that follows the code.
    if (line.rfind("scan ", 0) != 0 || line.size() < 8 || line[7] != ' ') {
        error = "expected: scan CODE TEXT (CODE: two characters)";
        return false;
    }
    aux = ScanThroughRules(engine, line.substr(5, 2), line.substr(8)).aux;
    return true;
}

void InstallStandardInputScans(ReaderEngine& engine)
{
    struct Input {
        std::string pending;
        bool open = true;
    };
    auto input = std::make_shared<Input>();
    auto previous = engine.IdleHook();
    engine.SetIdleHook([&engine, input, previous] {
        if (previous) previous();
        while (input->open) {
            pollfd in { STDIN_FILENO, POLLIN, 0 };
            if (::poll(&in, 1, 0) <= 0) return;
            char buffer[1024];
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                input->open = false; // end of input: nothing more to scan
                return;
            }
            input->pending.append(buffer, static_cast<size_t>(n));
            for (size_t end = input->pending.find('\n'); end != std::string::npos; end = input->pending.find('\n')) {
                std::string line = input->pending.substr(0, end);
                input->pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (line.empty()) continue;
                std::string aux, error;
                if (!RunScanLine(engine, line, aux, error)) {
                    std::fprintf(stderr, "kestrel-sim: %s: %s\n", line.c_str(), error.c_str());
                    continue;
                }
                if (!aux.empty()) std::printf("aux %s\n", BytesToHex(aux).c_str());
                std::printf("scanned\n");
                std::fflush(stdout);
            }
        }
    });
}
