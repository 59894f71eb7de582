#include "catalog/DelimitedDataFile.h"

#include "platform/TextUtil.h"

#include "platform/AtomicFile.h"
#include "platform/Host.h"

#include <cctype>

namespace {

// Data files of tens of megabytes are not ours; refuse them rather than fill memory.
constexpr std::size_t kMaxFileSize = 32u << 20;

} // namespace

void DelimitedDataFile::SetUp(const std::string& path, const std::vector<std::string>& columns, char separator)
{
    path_ = path;
    separator_ = separator;
    rows_.clear();
    columns_.assign(columns.begin(), columns.begin() + static_cast<long>(std::min(columns.size(), kMaxColumns)));
    usable_ = columns.size() <= kMaxColumns && !columns.empty();
    if (columns.size() > kMaxColumns)
        ShowMessage("Data file has too many columns.\nPlease contact program vendor.");
}

int DelimitedDataFile::Load()
{
    std::string text;
    if (!usable_ || !ReadWholeFile(path_, text, kMaxFileSize)) {
        rows_.clear();
        return CannotOpen;
    }
    return LoadText(text);
}

int DelimitedDataFile::LoadText(const std::string& text)
{
    rows_.clear();
    if (!usable_)
        return CannotOpen;
    bool malformed = false;
    std::string pending;
    bool continuing = false;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (continuing) {
            line = pending + line;
            continuing = false;
        }
        if (!line.empty() && line.back() == '\\') {
            line.pop_back();
            pending = line;
            continuing = true;
            continue;
        }
        line = Trim(line);
        if (line.empty() || line.find("//") != std::string::npos)
            continue;
        if (IsValidRow(line))
            rows_.push_back(line);
        else
            malformed = true;
    }
    // A continuation on the last line never got its rest: that unfinished line is dropped.
    if (malformed)
        return MalformedRow;
    return rows_.empty() ? NoValidRow : Loaded;
}

int DelimitedDataFile::ColumnIndex(const std::string& column) const
{
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (EqualNoCase(columns_[i], column))
            return static_cast<int>(i);
    return -1;
}

bool DelimitedDataFile::Extract(const std::string& line, std::size_t column, std::string& text) const
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < column; ++i) {
        const auto separator = line.find(separator_, start);
        // Each field before the wanted one must be non-empty and followed by a separator.
        if (separator == std::string::npos || Trim(line.substr(start, separator - start)).empty())
            return false;
        start = separator + 1;
    }
    if (start > line.size())
        return false;
    std::string field;
    if (column + 1 == columns_.size()) {
        field = line.substr(start);
    } else {
        const auto separator = line.find(separator_, start);
        if (separator == std::string::npos)
            return false;
        field = line.substr(start, separator - start);
    }
    field = Trim(field);
    if (field.empty())
        return false;
    text = field;
    return true;
}

bool DelimitedDataFile::IsValidRow(const std::string& line) const
{
    std::string ignored;
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (!Extract(line, i, ignored))
            return false;
    return true;
}

bool DelimitedDataFile::Field(int row, const std::string& column, std::string& text) const
{
    text.clear();
    const int index = ColumnIndex(column);
    if (row < 0 || row >= RowCount() || index < 0)
        return false;
    return Extract(rows_[static_cast<std::size_t>(row)], static_cast<std::size_t>(index), text);
}

std::string DelimitedDataFile::Field(int row, const std::string& column) const
{
    std::string text;
    Field(row, column, text);
    return text;
}
