#pragma once
// The core keeps 8-bit texts (pinpad display, configuration, references). The window shows
// them byte for byte as Latin-1 and turns typed text back the same way.

#include <QString>
#include <string>

inline QString FromAnsi(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToAnsi(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// At most maxChars characters are kept, so the text fits its fixed-size field.
inline std::string ToAnsi(const QString& text, qsizetype maxChars) {
    const QByteArray bytes = text.left(maxChars).toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}
