#pragma once
// Workbooks saved with a password to open: those "protected" with the
// password Excel uses when none was typed are opened; the others are told
// apart from damaged files so the user learns why they cannot be read.
#include <QByteArray>

namespace qh {

enum class Protection {
  None,           // no password to open
  Opened,         // the built-in password: the plain workbook is at hand
  OtherPassword,  // a password someone typed
  Damaged,        // encryption headers out of range
};

// For a compound file that holds an "EncryptedPackage" stream (how an
// encrypted .xlsx is stored) or whose workbook stream carries a FILEPASS
// record in its global records (an .xls saved with a password). On Opened,
// opened holds the plain zip package or BIFF workbook stream.
Protection OpenProtectedWorkbook(const QByteArray& compoundFile, QByteArray& opened);

// True when the global records of a BIFF workbook stream, up to their EOF
// record, include FILEPASS.
bool BiffHasFilePass(const QByteArray& workbookStream);

}  // namespace qh
