#pragma once
// Workbooks saved with a password to open: told apart from damaged files so
// the user learns why the file cannot be read.
#include <QByteArray>

namespace qh {

// True for a compound file that holds an "EncryptedPackage" stream (how an
// encrypted .xlsx is stored) or whose workbook stream carries a FILEPASS
// record in its global records (an .xls saved with a password).
bool IsPasswordProtectedWorkbook(const QByteArray& compoundFile);

// True when the global records of a BIFF workbook stream, up to their EOF
// record, include FILEPASS.
bool BiffHasFilePass(const QByteArray& workbookStream);

}  // namespace qh
