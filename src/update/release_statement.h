#pragma once
// What a release's signature vouches for, beyond its bytes: the trusted
// comment of its minisign signature, e.g.
//   qinghechart window linux-x86_64 version 26.12.09.18 expires 2027-03-09
// Product, program, platform, the build number the program reports, and the
// last day the statement may be used. Read strictly: one space between the
// words, nothing more, nothing less.
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace qh {

inline constexpr char kProductName[] = "qinghechart";
inline constexpr char kWindowProgram[] = "window";
inline constexpr char kCliProgram[] = "cli";

struct ReleaseStatement {
  QString Product;
  QString Program;   // kWindowProgram or kCliProgram
  QString Platform;  // as UpdatePlatformName() says it
  qint32 BuildNumber = 0;
  QDate Expires{};  // valid through this day (China time)
};

// The statement in a trusted comment, or none when it is not one.
std::optional<ReleaseStatement> ParseReleaseStatement(QByteArrayView trustedComment);

// A statement is trusted for at most two years after its version's date:
// a release key that leaks cannot vouch for a release for ever.
bool ExpiryWithinLimit(const ReleaseStatement& release);

// The trusted comment that states release (what the release tools write).
QString ReleaseStatementText(const ReleaseStatement& release);

// "linux-x86_64", "windows-x86_64", ...: the platform this build runs on.
QString UpdatePlatformName();

}  // namespace qh
