#pragma once
// Spreadsheet date serial numbers from ISO 8601 date texts, the form .xlsx
// date cells (type "d") hold.
#include <QStringView>
#include <optional>

namespace qh {

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" (also with "T" and fractional
// seconds), "HH:MM:SS" -> the serial number the cell holds: days since the
// workbook's epoch (1900 system with its phantom 29 February 1900, or the
// 1904 system) plus the time as a fraction of a day. nullopt when the text
// is no such date.
std::optional<double> DateTextToSerial(QStringView text, bool date1904);

}  // namespace qh
