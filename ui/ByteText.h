// Setting values, captions and the file description are bytes in the reader's 8-bit
// character set; widgets hold QStrings. Every byte maps to the character of the same number
// and back, so 0x80-0xFF survive a trip through a widget unchanged.
#pragma once

#include <QString>
#include <string>
#include <string_view>

inline QString TextFromBytes(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string BytesFromText(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// True when every character of `text` has a byte of its own (U+0000-U+00FF).
inline bool FitsInBytes(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

// `text` without the characters that have no byte of their own.
inline QString KeepByteCharacters(const QString& text)
{
    QString kept;
    kept.reserve(text.size());
    for (const QChar c : text)
        if (c.unicode() <= 0xFF)
            kept.append(c);
    return kept;
}
