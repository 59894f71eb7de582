// Fuzz target: the data-file reader and the tab definition rows on arbitrary text.
// Both shipped data files are user-replaceable, so any bytes must load or be refused
// without reading outside a line.
#include "catalog/DelimitedDataFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The catalog's 8 columns and the tab file's 13.
    static const std::vector<std::string> catalogColumns { "DeviceID", "Product Name", "Base Number",
        "Runtime Class", "Use Cts", "Linear", "Visible", "ProdID" };
    static const std::vector<std::string> tabColumns { "Command", "Tab", "Control", "Type", "Group",
        "Product List", "Min", "Max", "Default", "Group List", "Secured", "Same All Tables", "Help ID" };
    for (const auto* columns : { &catalogColumns, &tabColumns }) {
        DelimitedDataFile file;
        file.SetUp("fuzz", *columns);
        file.LoadText(text);
        std::string field;
        for (int row = 0; row < file.RowCount(); ++row)
            for (const auto& column : *columns)
                file.Field(row, column, field);
        file.Field(-1, columns->front(), field);
        file.Field(file.RowCount(), columns->back(), field);
    }
    return 0;
}
