// kestrel-cli flash with --port/--device given more than once: every reader is flashed at the
// same time by a child kestrel-cli of its own (this same program, one port, --json), so a
// reader that hangs, or a child that crashes, costs only that reader. The children's
// progress goes to standard error with the port in front; their results make one summary.

#include "cli/FleetFlash.h"

#include "cli/CliContext.h"
#include "cli/ConsoleHost.h"
#include "cli/JsonWriter.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A child's stdout is one small JSON object; anything far larger is not ours to keep.
constexpr std::size_t kMaxChildOutput = 1 << 20;
constexpr std::size_t kMaxStderrLine = 4096;

// ---- the child's JSON result ------------------------------------------------------------------

// The values of a flat JSON object: strings as they decode, numbers and booleans as their text.
using FlatObject = std::map<std::string, std::string>;

class FlatJsonReader {
public:
    explicit FlatJsonReader(const std::string& text) : text_(text) { }

    bool Read(FlatObject& object)
    {
        Space();
        if (!Take('{'))
            return false;
        Space();
        if (Take('}'))
            return true;
        for (;;) {
            std::string key, value;
            Space();
            if (!String(key))
                return false;
            Space();
            if (!Take(':'))
                return false;
            Space();
            if (Peek() == '"') {
                if (!String(value))
                    return false;
            } else if (!Scalar(value)) {
                return false;
            }
            object[key] = value;
            Space();
            if (Take('}'))
                return true;
            if (!Take(','))
                return false;
        }
    }

private:
    char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    bool Take(char c)
    {
        if (Peek() != c || at_ >= text_.size())
            return false;
        ++at_;
        return true;
    }
    void Space()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n'))
            ++at_;
    }
    // Numbers, true, false, null: kept as their text.
    bool Scalar(std::string& value)
    {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (!(c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == 'E'))
                break;
            value += c;
            ++at_;
        }
        return !value.empty();
    }
    static void AppendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool String(std::string& value)
    {
        if (!Take('"'))
            return false;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return true;
            if (c != '\\') {
                value += c;
                continue;
            }
            if (at_ >= text_.size())
                return false;
            const char e = text_[at_++];
            switch (e) {
            case '"': case '\\': case '/': value += e; break;
            case 'b': value += '\b'; break;
            case 'f': value += '\f'; break;
            case 'n': value += '\n'; break;
            case 'r': value += '\r'; break;
            case 't': value += '\t'; break;
            case 'u': {
                if (at_ + 4 > text_.size())
                    return false;
                unsigned code = 0;
                for (int i = 0; i < 4; ++i) {
                    const char h = text_[at_++];
                    code <<= 4;
                    if (h >= '0' && h <= '9') code |= static_cast<unsigned>(h - '0');
                    else if (h >= 'a' && h <= 'f') code |= static_cast<unsigned>(h - 'a' + 10);
                    else if (h >= 'A' && h <= 'F') code |= static_cast<unsigned>(h - 'A' + 10);
                    else return false;
                }
                AppendUtf8(value, code);
                break;
            }
            default: return false;
            }
        }
        return false;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

long long NumberOf(const FlatObject& object, const char* key, long long fallback)
{
    const auto it = object.find(key);
    if (it == object.end() || it->second.empty())
        return fallback;
    char* end = nullptr;
    const long long value = std::strtoll(it->second.c_str(), &end, 10);
    return *end == '\0' ? value : fallback;
}

std::string TextOf(const FlatObject& object, const char* key)
{
    const auto it = object.find(key);
    return it == object.end() ? std::string() : it->second;
}

// ---- children ---------------------------------------------------------------------------------

struct Child {
    std::string label; // the port as the user named it: "COM12" or the device path
    std::vector<std::string> arguments;
    pid_t pid = -1;
    int outFd = -1;
    int errFd = -1;
    std::string out;
    std::string errLine;      // the part of a stderr line not yet complete
    std::string lastErrLine;  // the last complete, non-empty one: the best clue when a child fails
    Clock::time_point start;
    Clock::time_point end;
    int status = 0;
    bool launched = false;

    // The outcome, from the child's JSON (or from how it ended, when it gave none).
    bool ok = false;
    std::string model;
    long long revisionBefore = -1;
    long long revisionAfter = -1;
    long long milliseconds = 0;
    std::string result;
};

std::string SignalText(int signal)
{
    const char* name = ::strsignal(signal);
    return std::to_string(signal) + (name ? std::string(" (") + name + ")" : std::string());
}

std::vector<std::string> ChildArguments(const CliContext& context, const FleetFlashRequest& request,
                                        const std::pair<std::string, std::string>& reader, std::size_t index)
{
    const CliOptions& options = context.options;
    std::vector<std::string> args { "kestrel-cli" };
    if (options.dataFolder)
        args.insert(args.end(), { "--data", *options.dataFolder });
    if (options.tracePath)
        args.insert(args.end(), { "--trace", *options.tracePath + "." + std::to_string(index + 1) });
    if (context.host.preset == ConsoleHost::Preset::Yes)
        args.push_back("--yes");
    else if (context.host.preset == ConsoleHost::Preset::No)
        args.push_back("--no");
    if (context.host.deviceChoice)
        args.insert(args.end(), { "--choose-device", std::to_string(*context.host.deviceChoice) });
    if (options.quiet)
        args.push_back("--quiet");
    args.insert(args.end(), { "--json", reader.first, reader.second, "flash", request.file });
    if (request.boot)
        args.push_back("--boot");
    if (request.dryRun)
        args.push_back("--dry-run");
    args.push_back("--retries=" + std::to_string(request.retries));
    return args;
}

// Starts the child with its output on two pipes and no input: it can never stop to ask.
bool Launch(Child& child, std::string& error)
{
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        ::close(out[0]);
        ::close(out[1]);
        return false;
    }
    std::vector<char*> argv;
    for (auto& a : child.arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    child.start = Clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::strerror(errno);
        for (int fd : { out[0], out[1], err[0], err[1] })
            ::close(fd);
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        const int none = ::open("/dev/null", O_RDONLY);
        if (none >= 0)
            ::dup2(none, STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::execv("/proc/self/exe", argv.data());
        static const char message[] = "kestrel-cli: cannot start the flash of this port\n";
        [[maybe_unused]] const auto written = ::write(STDERR_FILENO, message, sizeof message - 1);
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    child.pid = pid;
    child.outFd = out[0];
    child.errFd = err[0];
    child.launched = true;
    return true;
}

void TakeStderr(Child& child, const char* data, std::size_t size, bool echo)
{
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\n' && child.errLine.size() < kMaxStderrLine) {
            child.errLine += c;
            continue;
        }
        if (c != '\n')
            continue; // an endless line is cut; the rest up to its end is dropped
        while (!child.errLine.empty() && child.errLine.back() == '\r')
            child.errLine.pop_back();
        if (!child.errLine.empty()) {
            child.lastErrLine = child.errLine;
            if (echo)
                std::cerr << child.label << ": " << child.errLine << '\n';
        }
        child.errLine.clear();
    }
}

// Reads every child's output until all have closed it, then reaps them.
void Collect(std::vector<Child>& children, bool echo)
{
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<std::pair<Child*, bool>> owners; // child, is stdout
        for (auto& child : children) {
            if (child.outFd >= 0) {
                fds.push_back({ child.outFd, POLLIN, 0 });
                owners.emplace_back(&child, true);
            }
            if (child.errFd >= 0) {
                fds.push_back({ child.errFd, POLLIN, 0 });
                owners.emplace_back(&child, false);
            }
        }
        if (fds.empty())
            break;
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue; // Ctrl+C: the children got it too and will end their flash
            break;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents == 0)
                continue;
            auto [child, isOut] = owners[i];
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                ::close(fds[i].fd);
                (isOut ? child->outFd : child->errFd) = -1;
                if (child->outFd < 0 && child->errFd < 0) {
                    while (::waitpid(child->pid, &child->status, 0) < 0 && errno == EINTR) { }
                    child->end = Clock::now();
                }
                continue;
            }
            if (isOut) {
                if (child->out.size() < kMaxChildOutput)
                    child->out.append(buffer, static_cast<std::size_t>(got));
            } else {
                TakeStderr(*child, buffer, static_cast<std::size_t>(got), echo);
            }
        }
    }
    for (auto& child : children)
        if (child.launched && child.outFd < 0 && child.errFd < 0 && child.end == Clock::time_point {}) {
            while (::waitpid(child.pid, &child.status, 0) < 0 && errno == EINTR) { }
            child.end = Clock::now();
        }
}

// Fills in the outcome: the child's own JSON when it gave one and ended normally; otherwise
// what ended it, so a crash or a kill never reads as a flash.
void Judge(Child& child)
{
    child.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(child.end - child.start).count();
    FlatObject object;
    bool haveJson = false;
    const auto brace = child.out.rfind("\n{");
    const std::string last = brace == std::string::npos ? child.out : child.out.substr(brace + 1);
    if (!last.empty() && last.front() == '{')
        haveJson = FlatJsonReader(last).Read(object);
    if (haveJson) {
        child.model = TextOf(object, "model");
        child.revisionBefore = NumberOf(object, "revisionBefore", -1);
        child.revisionAfter = NumberOf(object, "revisionAfter", -1);
        child.result = TextOf(object, "result");
        child.milliseconds = NumberOf(object, "milliseconds", child.milliseconds);
    }
    const bool exitedZero = WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0;
    child.ok = haveJson && exitedZero && TextOf(object, "ok") == "true";
    if (WIFSIGNALED(child.status)) {
        child.result = "Failed: the flash of this port was ended by signal " + SignalText(WTERMSIG(child.status))
            + (child.result.empty() ? std::string() : "; last result: " + child.result);
    } else if (!haveJson) {
        child.result = "Failed: the flash of this port ended with status "
            + std::to_string(WIFEXITED(child.status) ? WEXITSTATUS(child.status) : -1) + " and no result"
            + (child.lastErrLine.empty() ? std::string() : ": " + child.lastErrLine);
    } else if (!exitedZero && child.result.empty()) {
        child.result = "Failed";
    }
}

// One line for a table cell: line breaks inside a result become " - ".
std::string OneLine(const std::string& text)
{
    std::string line;
    bool inBreak = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            inBreak = true;
            continue;
        }
        if (inBreak && !line.empty())
            line += " - ";
        inBreak = false;
        line += c;
    }
    return line;
}

std::string RevisionText(long long revision) { return revision < 0 ? std::string("?") : std::to_string(revision); }

void PrintSummary(const std::vector<Child>& children, const FleetFlashRequest& request, bool json)
{
    std::size_t passed = 0;
    for (const auto& child : children)
        passed += child.ok ? 1 : 0;
    if (json) {
        JsonWriter writer;
        writer.BeginObject().Key("file").String(request.file).Key("dryRun").Bool(request.dryRun)
            .Key("ok").Bool(passed == children.size()).Key("readers").BeginArray();
        for (const auto& child : children) {
            writer.BeginObject().Key("port").String(child.label).Key("model").String(child.model)
                .Key("revisionBefore").Number(child.revisionBefore)
                .Key("revisionAfter").Number(child.revisionAfter)
                .Key("seconds").Number(child.milliseconds / 1000)
                .Key("milliseconds").Number(child.milliseconds)
                .Key("ok").Bool(child.ok)
                .Key("result").String(child.result);
            if (WIFEXITED(child.status))
                writer.Key("exitStatus").Number(WEXITSTATUS(child.status));
            else if (WIFSIGNALED(child.status))
                writer.Key("signal").Number(WTERMSIG(child.status));
            writer.EndObject();
        }
        writer.EndArray().EndObject();
        std::cout << writer.Text() << '\n';
        return;
    }
    std::size_t portWidth = 4, modelWidth = 5;
    for (const auto& child : children) {
        portWidth = std::max(portWidth, child.label.size());
        modelWidth = std::max(modelWidth, child.model.size());
    }
    std::printf("%-*s  %-*s  %-11s  %7s  %s\n", static_cast<int>(portWidth), "Port", static_cast<int>(modelWidth),
                "Model", "Revision", "Seconds", "Result");
    for (const auto& child : children) {
        // A dry run changes nothing, so there is no revision after.
        const std::string revisions = request.dryRun
            ? RevisionText(child.revisionBefore)
            : RevisionText(child.revisionBefore) + " -> " + RevisionText(child.revisionAfter);
        std::printf("%-*s  %-*s  %-11s  %7.1f  %s%s\n", static_cast<int>(portWidth), child.label.c_str(),
                    static_cast<int>(modelWidth), child.model.c_str(), revisions.c_str(), child.milliseconds / 1000.0,
                    child.ok ? "" : "FAILED: ", OneLine(child.result).c_str());
    }
    std::printf("%zu of %zu readers %s\n", passed, children.size(),
                request.dryRun ? "passed every check" : "flashed");
}

} // namespace

int RunFleetFlash(CliContext& context, const FleetFlashRequest& request)
{
    std::vector<Child> children(context.options.readers.size());
    for (std::size_t i = 0; i < children.size(); ++i) {
        const auto& reader = context.options.readers[i];
        children[i].label = reader.first == "--port" ? "COM" + reader.second : reader.second;
        children[i].arguments = ChildArguments(context, request, reader, i);
    }
    // Two entries for one port would have two children fighting over one line.
    for (std::size_t i = 0; i < children.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (context.options.readers[i] == context.options.readers[j]) {
                std::cerr << "kestrel-cli flash: " << children[i].label << " is named twice\n";
                return ExitUsage;
            }
    if (!request.refusal.empty()) {
        // Every child would connect only to be refused the same file.
        if (context.options.json) {
            JsonWriter writer;
            writer.BeginObject().Key("file").String(request.file).Key("dryRun").Bool(request.dryRun)
                .Key("ok").Bool(false).Key("result").String(request.refusal).Key("readers").BeginArray().EndArray()
                .EndObject();
            std::cout << writer.Text() << '\n';
        } else {
            std::cout << "Result: " << request.refusal << "\nNo reader was touched\n";
        }
        return ExitFailed;
    }
    std::cout.flush();
    std::cerr.flush();
    for (auto& child : children) {
        std::string error;
        if (!Launch(child, error)) {
            child.result = "Failed: cannot start the flash of this port: " + error;
            child.status = 127 << 8;
        }
    }
    const bool echo = !context.options.quiet;
    Collect(children, echo);
    for (auto& child : children)
        if (child.launched)
            Judge(child);
    PrintSummary(children, request, context.options.json);
    for (const auto& child : children)
        if (!child.ok)
            return ExitFailed;
    return ExitOk;
}
