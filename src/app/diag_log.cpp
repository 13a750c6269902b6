#include "app/diag_log.h"

namespace qh {

DiagLog::DiagLog(QString logPath) : path_(std::move(logPath)) {}
DiagLog::~DiagLog() { Flush(); }
void DiagLog::DeleteExisting() {}
void DiagLog::WriteLog(const QString&) {}
void DiagLog::Flush() {}

}  // namespace qh
