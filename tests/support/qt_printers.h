#pragma once
// Failed comparisons print Qt strings as readable UTF-8, not as raw bytes.
// Included in every test source by tests/CMakeLists.txt.
#include <QByteArray>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
  *os << '"';
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      *os << c;
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      *os << "\\x" << kHex[byte >> 4] << kHex[byte & 15];
    }
  }
  *os << '"';
}
