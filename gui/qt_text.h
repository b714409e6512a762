#pragma once
// Text between the core (std::wstring) and Qt (QString).
#include <QString>
#include <string>

namespace ferrow {

inline QString ToQt(const std::wstring& text) {
  return QString::fromStdWString(text);
}
inline std::wstring FromQt(const QString& text) {
  return text.toStdWString();
}

}  // namespace ferrow
