// Reading private ini files ("Kestrel.ini") the way users of such files expect.
//
//   [Vendor Specific Settings]
//   CompanyName=Orvane.
//
// Section and key names compare without regard to case; blanks around names and values are
// dropped, and one pair of matching quotes around a value is removed. A value is cut at 511
// characters, the size of the buffer every caller reads into. A missing file, section or key
// gives the default. The file is user data: any content is read without harm.
#pragma once

#include <string>

class IniFile {
public:
    static constexpr std::size_t kMaxValueLength = 511;

    // True when the file exists and is a regular file (the program then prefers it).
    static bool Exists(const std::string& path);

    static std::string GetString(const std::string& path, const std::string& section, const std::string& key,
                                 const std::string& defaultValue);
    // The leading decimal number of the value (as "12abc" gives 12); the default when the key
    // is absent or its value does not start with a number.
    static int GetInt(const std::string& path, const std::string& section, const std::string& key, int defaultValue);
};
