// DelimitedDataFile: the reader of the program's comma-separated data files (the device
// catalog and the tab definitions).
//
// The format is line based and positional:
//   - a line ending in a backslash (after trimming) continues on the next line: the
//     backslash goes and the next line, trimmed, is appended directly;
//   - empty lines and lines holding "//" anywhere are comments;
//   - every other line is one row; columns are positional in the order of the names the
//     caller gives (at most 15), fields are separated by ",", there is no quoting, and the
//     last column takes the rest of the line, separators included;
//   - a row is valid only when every field is non-empty.
// Valid rows are kept as text and fields are cut out on demand. Data files are handed to us
// by users and vendors, so nothing in them can make the reader fail other than by result.
#pragma once

#include <string>
#include <vector>

class DelimitedDataFile {
public:
    static constexpr std::size_t kMaxColumns = 15;

    enum LoadResult : int { Loaded = 0, NoValidRow = 1, CannotOpen = 2, MalformedRow = 3 };

    DelimitedDataFile() = default;

    // More than 15 names: the first 15 are kept, the user is told, and the reader stays
    // unusable (Load fails) until it is set up again.
    void SetUp(const std::string& path, const std::vector<std::string>& columns, char separator = ',');

    // Malformed rows are dropped and loading goes on, but the result is MalformedRow.
    int Load();
    // Loads from text instead of a file (same rules; used for tests and fuzzing).
    int LoadText(const std::string& text);

    bool Field(int row, const std::string& column, std::string& text) const;
    std::string Field(int row, const std::string& column) const;
    int RowCount() const { return static_cast<int>(rows_.size()); }
    bool IsUsable() const { return usable_; }
    const std::string& Path() const { return path_; }
    const std::vector<std::string>& Columns() const { return columns_; }
    const std::string& RowText(int row) const { return rows_.at(static_cast<std::size_t>(row)); }

private:
    int ColumnIndex(const std::string& column) const;
    bool Extract(const std::string& line, std::size_t column, std::string& text) const;
    bool IsValidRow(const std::string& line) const;

    std::string path_;
    std::vector<std::string> columns_;
    char separator_ = ',';
    bool usable_ = false;
    std::vector<std::string> rows_;
};
