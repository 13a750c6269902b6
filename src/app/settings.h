#pragma once
// The few settings kept in the INI file beside the program.
#include "base/save_file.h"
#include "data/load_limits.h"

#include <QString>
#include <QtGlobal>

namespace qh {

class DiagLog;
class IniFile;
class UserMessages;

inline constexpr quint32 kDefaultLineColor = 0xFF2F80ED;
inline constexpr const char kWindowTitle[] = "青禾图表生成工具";

// The update address used when the settings file names none.
QString BuiltInUpdateUrl();

struct Settings {
  QString UpdateUrl = BuiltInUpdateUrl();
  int MaxItems = LoadLimits::kDefaultMaxItems;
  int MaxPoints = 200000;
  int PageSize = 20;
  quint32 LineColor = kDefaultLineColor;  // opaque ARGB
  bool ShowValue = true;
  friend bool operator==(const Settings&, const Settings&) = default;
};

// appDir (ending in "/") + "青禾图表生成工具.ini": the window title names the file.
QString SettingsPath(const QString& appDir);

// The commented default file, lines ending in CR LF.
QString DefaultSettingsText();

// Writes the default file; says why when it cannot be written.
SaveResult WriteDefaultSettings(const QString& settingsPath);

// Writes the default file when settingsPath names no file; errors are ignored
// (a settings file that cannot be created simply reads as defaults).
void EnsureSettingsFile(const QString& settingsPath);

// Replaces the file with text in code page 936 through SaveFile; an empty
// text gives an empty file.
SaveResult WriteAnsiFile(const QString& path, const QString& text);

// Reads the settings; out-of-range values fall back to their defaults.
Settings LoadSettings(const IniFile& ini);

// The log line for a settings file too large to read.
QString SettingsTooLargeLogLine(const IniFile& file);

// The log line for a settings file that was not read (too large, or not a
// file); empty when it was read or is missing.
QString SettingsSkippedLogLine(const IniFile& file);

// The log line and the message for settings that could not be saved; the
// message's advice follows the cause (full disk or permissions, a file too
// large, a pipe or device in the file's place).
QString SettingsSaveFailureLogLine(const QString& path, const QString& reason);
QString SettingsSaveFailureText(const QString& path, const SaveResult& result);

// Every failed write of file is logged; the first one of the run is also
// shown. log and messages must outlive file's writes.
void ReportSettingsFailures(IniFile& file, DiagLog& log, UserMessages& messages);

// The INI sections and keys of the settings.
namespace settings_keys {
inline constexpr char16_t kLimits[] = u"Limits";
inline constexpr char16_t kMaxItems[] = u"MaxItems";
inline constexpr char16_t kMaxPoints[] = u"MaxPoints";
inline constexpr char16_t kPageSize[] = u"PageSize";
inline constexpr char16_t kColors[] = u"Colors";
inline constexpr char16_t kLineColor[] = u"LineColor";
inline constexpr char16_t kUpdate[] = u"Update";
inline constexpr char16_t kUrl[] = u"Url";
inline constexpr char16_t kDisplay[] = u"Display";
inline constexpr char16_t kShowValue[] = u"ShowValue";
inline constexpr char16_t kRecent[] = u"Recent";
inline constexpr char16_t kLastFile[] = u"LastFile";
}  // namespace settings_keys

}  // namespace qh
