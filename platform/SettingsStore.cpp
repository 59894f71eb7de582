#include "platform/SettingsStore.h"

#include "platform/TextUtil.h"

#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

// Integers carry a type mark so that a string value that happens to look like a number
// stays a string when the file is written back.
constexpr const char* kIntMark = "dword:";

struct Entry {
    std::string name;
    std::string raw; // as stored in the file, unescaped
};

struct Section {
    std::string key; // normalised path
    std::vector<Entry> entries;
};

using Tree = std::vector<Section>;

// "Software\\ORV\\Install\\" and "\Software\ORV\Install" name the same key.
std::string NormaliseKey(const std::string& key)
{
    std::string out;
    for (char c : key) {
        if (c == '\\' || c == '/') {
            if (!out.empty() && out.back() != '\\')
                out += '\\';
        } else {
            out += c;
        }
    }
    while (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

bool StorableName(const std::string& name) { return name.find_first_of("\r\n") == std::string::npos; }

std::string Escape(const std::string& value)
{
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

Tree Parse(const std::string& text)
{
    Tree tree;
    Section* current = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string key = NormaliseKey(line.substr(1, line.size() - 2));
            current = nullptr;
            for (auto& section : tree)
                if (EqualNoCase(section.key, key))
                    current = &section;
            if (!current) {
                tree.push_back({ key, {} });
                current = &tree.back();
            }
            continue;
        }
        const auto equals = line.find('=');
        // Values before the first key, or lines without "=", are not ours: skip them.
        if (!current || equals == std::string::npos)
            continue;
        Entry entry { Trim(line.substr(0, equals)), Unescape(line.substr(equals + 1)) };
        bool replaced = false;
        for (auto& existing : current->entries)
            if (EqualNoCase(existing.name, entry.name)) {
                existing.raw = entry.raw;
                replaced = true;
            }
        if (!replaced)
            current->entries.push_back(std::move(entry));
    }
    return tree;
}

std::string Serialise(const Tree& tree)
{
    std::string out;
    for (const auto& section : tree) {
        if (!out.empty())
            out += '\n';
        out += '[' + section.key + "]\n";
        for (const auto& entry : section.entries)
            out += entry.name + '=' + Escape(entry.raw) + '\n';
    }
    return out;
}

Tree Load(const std::string& path)
{
    std::string text;
    if (!ReadWholeFile(path, text))
        return {};
    return Parse(text);
}

const Section* FindSection(const Tree& tree, const std::string& key)
{
    for (const auto& section : tree)
        if (EqualNoCase(section.key, key))
            return &section;
    return nullptr;
}

const Entry* FindEntry(const Tree& tree, const std::string& key, const std::string& name)
{
    const Section* section = FindSection(tree, NormaliseKey(key));
    if (!section)
        return nullptr;
    for (const auto& entry : section->entries)
        if (EqualNoCase(entry.name, name))
            return &entry;
    return nullptr;
}

bool ParseInt(const std::string& text, int& value)
{
    const std::string digits = Trim(text);
    if (digits.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(digits.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

} // namespace

SettingsStore::SettingsStore()
    : SettingsStore(DefaultUserHivePath(), DefaultMachineHivePath())
{
}

SettingsStore::SettingsStore(std::string userHivePath, std::string machineHivePath)
    : userHivePath_(std::move(userHivePath))
    , machineHivePath_(std::move(machineHivePath))
{
}

std::string SettingsStore::DefaultUserHivePath()
{
    std::string config = EnvOr("XDG_CONFIG_HOME", "");
    if (config.empty())
        config = EnvOr("HOME", ".") + "/.config";
    return EnvOr("KESTREL_USER_HIVE", config + "/kestrel/user.hive");
}

std::string SettingsStore::DefaultMachineHivePath()
{
    return EnvOr("KESTREL_MACHINE_HIVE", "/etc/xdg/kestrel/machine.hive");
}

const std::string& SettingsStore::HivePath(Hive hive) const
{
    return hive == Hive::CurrentUser ? userHivePath_ : machineHivePath_;
}

bool SettingsStore::OpenKeyForRead(Hive hive, const std::string& key) const
{
    const std::string wanted = NormaliseKey(key);
    for (const auto& section : Load(HivePath(hive))) {
        if (EqualNoCase(section.key, wanted))
            return true;
        // A key exists when a key below it does.
        if (section.key.size() > wanted.size() && section.key[wanted.size()] == '\\'
            && EqualNoCase(section.key.substr(0, wanted.size()), wanted) && !wanted.empty())
            return true;
    }
    return false;
}

bool SettingsStore::ReadString(Hive hive, const std::string& key, const std::string& name, std::string& value) const
{
    const Tree tree = Load(HivePath(hive));
    const Entry* entry = FindEntry(tree, key, name);
    if (!entry)
        return false;
    const std::string mark = kIntMark;
    value = entry->raw.compare(0, mark.size(), mark) == 0 ? Trim(entry->raw.substr(mark.size())) : entry->raw;
    return true;
}

bool SettingsStore::ReadInt(Hive hive, const std::string& key, const std::string& name, int& value) const
{
    const Tree tree = Load(HivePath(hive));
    const Entry* entry = FindEntry(tree, key, name);
    if (!entry)
        return false;
    const std::string mark = kIntMark;
    // A hand-edited "Com Port=3" is taken as the integer the user meant.
    const std::string text = entry->raw.compare(0, mark.size(), mark) == 0 ? entry->raw.substr(mark.size()) : entry->raw;
    return ParseInt(text, value);
}

std::string SettingsStore::GetString(Hive hive, const std::string& key, const std::string& name,
                                     const std::string& defaultValue) const
{
    std::string value;
    return ReadString(hive, key, name, value) ? value : defaultValue;
}

int SettingsStore::GetInt(Hive hive, const std::string& key, const std::string& name, int defaultValue) const
{
    int value = 0;
    return ReadInt(hive, key, name, value) ? value : defaultValue;
}

namespace {

// Holds an exclusive lock on the hive's folder while a write reads, changes and replaces the
// file, so two programs writing the same hive (the desktop program and kestrel-cli, say)
// never lose each other's values. The folder is locked rather than the file because the
// file is replaced by every write.
class HiveLock {
public:
    explicit HiveLock(const std::string& hivePath)
    {
        const auto slash = hivePath.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : hivePath.substr(0, slash);
        if (!MakeFolders(folder))
            return;
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) { }
    }
    ~HiveLock()
    {
        if (fd_ >= 0)
            ::close(fd_); // closing releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int fd_ = -1;
};

bool Update(const std::string& path, const std::string& key, const std::string* name, const std::string* raw,
            bool erase)
{
    const std::string normal = NormaliseKey(key);
    if (normal.empty() || !StorableName(normal) || normal.find(']') != std::string::npos)
        return false;
    if (name && (!StorableName(*name) || name->find('=') != std::string::npos || Trim(*name) != *name))
        return false;
    const HiveLock lock(path);
    Tree tree = Load(path);
    Section* section = nullptr;
    for (auto& candidate : tree)
        if (EqualNoCase(candidate.key, normal))
            section = &candidate;
    if (!section) {
        if (erase)
            return true;
        tree.push_back({ normal, {} });
        section = &tree.back();
    }
    if (name) {
        auto& entries = section->entries;
        bool found = false;
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (!EqualNoCase(it->name, *name))
                continue;
            found = true;
            if (erase)
                entries.erase(it);
            else
                it->raw = *raw;
            break;
        }
        if (!found && !erase)
            entries.push_back({ *name, *raw });
    }
    return WriteFileAtomically(path, Serialise(tree));
}

} // namespace

bool SettingsStore::WriteString(Hive hive, const std::string& key, const std::string& name, const std::string& value)
{
    return Update(HivePath(hive), key, &name, &value, false);
}

bool SettingsStore::WriteInt(Hive hive, const std::string& key, const std::string& name, int value)
{
    const std::string raw = kIntMark + std::to_string(value);
    return Update(HivePath(hive), key, &name, &raw, false);
}

bool SettingsStore::CreateKey(Hive hive, const std::string& key)
{
    return Update(HivePath(hive), key, nullptr, nullptr, false);
}

bool SettingsStore::DeleteValue(Hive hive, const std::string& key, const std::string& name)
{
    return Update(HivePath(hive), key, &name, nullptr, true);
}

std::vector<std::pair<std::string, std::string>> SettingsStore::ListValues(Hive hive, const std::string& key) const
{
    std::vector<std::pair<std::string, std::string>> values;
    const Tree tree = Load(HivePath(hive));
    const Section* section = FindSection(tree, NormaliseKey(key));
    if (!section)
        return values;
    const std::string mark = kIntMark;
    for (const auto& entry : section->entries)
        values.emplace_back(entry.name, entry.raw.compare(0, mark.size(), mark) == 0
                                ? Trim(entry.raw.substr(mark.size())) : entry.raw);
    return values;
}
