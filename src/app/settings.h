#pragma once
// The few settings kept in the INI file beside the program.
#include <QString>
#include <QtGlobal>

namespace qh {

inline constexpr quint32 kDefaultLineColor = 0xFF2F80ED;
inline constexpr const char kWindowTitle[] = "青禾图表生成工具";

// The update address used when the settings file names none.
QString BuiltInUpdateUrl();

struct Settings {
  QString UpdateUrl = BuiltInUpdateUrl();
  int MaxItems = 100000;
  int MaxPoints = 200000;
  int PageSize = 20;
  quint32 LineColor = kDefaultLineColor;  // opaque ARGB
  bool ShowValue = true;
};

}  // namespace qh
