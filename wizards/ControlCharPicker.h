// ControlCharPicker: the model of "Select ASCII Control Characters".
//
// A list of the 32 control characters; double-clicking a row adds its code to the picked
// codes, and the read-only field shows them as display text with the two delimiters. Every
// caller opens the picker with the delimiter fields disabled, so the text always uses "[" and
// "]". At most 32 codes are kept: that is more than any field takes, and later picks are
// ignored rather than written anywhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class ControlCharPicker {
public:
    static constexpr int kRows = 32;
    static constexpr std::size_t kMaxPicked = 32;
    static constexpr std::string_view kTitle = "Select ASCII Control Characters";

    explicit ControlCharPicker(bool delimiterEditing = false);

    // The rows of the list, codes 0 to 31. A row holds the control character itself, which the
    // list's font shows with its own glyph.
    static std::vector<std::string> Rows();
    static std::string Row(int code);

    // A double-click on row `code`; false when it was ignored (no such row, or the picked
    // codes are full).
    bool Pick(int code);
    const std::vector<unsigned char>& Picked() const { return m_picked; }
    // "Selected ASCII Text:".
    std::string SelectedText() const;

    bool DelimiterEditing() const { return m_delimiterEditing; }
    const std::string& LeftDelimiter() const { return m_left; }
    const std::string& RightDelimiter() const { return m_right; }
    // Read on every change when the fields are enabled; ignored otherwise.
    void SetLeftDelimiter(std::string_view text);
    void SetRightDelimiter(std::string_view text);

private:
    bool m_delimiterEditing;
    std::vector<unsigned char> m_picked;
    std::string m_left { "[" };
    std::string m_right { "]" };
};

// What "OK" of the picker hands back.
struct PickedText {
    std::string text;
    std::string left { "[" };
    std::string right { "]" };
};
