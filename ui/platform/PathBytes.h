#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>

namespace tolven {

// Paths are kept as the file system's bytes and handed to it unchanged; the
// edits and messages show them as text.
inline std::string toPathBytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

inline QString fromPathBytes(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

}  // namespace tolven
