// Release signatures in minisign's format: the real minisign signs, the
// program checks; and the release statement in the trusted comment.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "update/minisign.h"
#include "update/release_statement.h"
#include "update_test_support.h"

namespace qh {
namespace {

using test::TestKey;

// A key pair made by the real minisign, without a password.
struct RealMinisign {
  QTemporaryDir Dir;
  QString PublicFile = Dir.filePath(QStringLiteral("minisign.pub"));
  QString SecretFile = Dir.filePath(QStringLiteral("minisign.key"));

  bool Generate() { return Run({"-G", "-W", "-p", PublicFile, "-s", SecretFile}); }
  bool Sign(const QString& file, const QString& comment, const QStringList& extra = {}) {
    return Run(QStringList{"-S", "-s", SecretFile, "-m", file, "-t", comment} + extra);
  }
  static bool Run(const QStringList& arguments) {
    QProcess minisign;
    minisign.start(QStringLiteral("minisign"), arguments);
    minisign.closeWriteChannel();
    return minisign.waitForFinished(20000) && minisign.exitStatus() == QProcess::NormalExit &&
           minisign.exitCode() == 0;
  }
};

QString WriteFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
  QFile file(dir.filePath(QString::fromLatin1(name)));
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  return file.fileName();
}

TEST(MinisignTest, TheRealMinisignSignsWhatTheProgramAccepts) {
  ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("minisign")).isEmpty())
      << "minisign is missing: scripts/install-deps.sh installs it";
  RealMinisign release, stranger;
  ASSERT_TRUE(release.Generate());
  ASSERT_TRUE(stranger.Generate());
  QTemporaryDir work;
  const QString program = WriteFile(work, "qinghechart", test::TestProgramBytes());
  const QString comment = QString::fromLatin1(test::StatementText());
  const QByteArray releaseKey = test::ReadWholeFile(release.PublicFile);
  const MinisignPublicKey key = ParseMinisignPublicKey(releaseKey);
  ASSERT_TRUE(key.valid());
  // The key line alone (what the build is configured with) is the same key.
  EXPECT_EQ(ParseMinisignPublicKey(releaseKey.split('\n').value(1)).Key, key.Key);

  struct Case {
    const char* Name;
    RealMinisign& Signer;
    QStringList Extra;
    bool Accepted;
  } cases[] = {
      {"signed with the release key", release, {}, true},
      {"signed with another minisign key", stranger, {}, false},
      {"legacy signature of the whole file", release, {"-l"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ASSERT_TRUE(c.Signer.Sign(program, comment, c.Extra));
    const MinisignSignature signature =
        ParseMinisignSignature(test::ReadWholeFile(program + QStringLiteral(".minisig")));
    ASSERT_TRUE(signature.Parsed);
    EXPECT_EQ(signature.TrustedComment, comment.toLatin1());
    const QByteArray hash = Blake2b512OfFile(program);
    EXPECT_EQ(VerifyTrustedComment(signature, key) && VerifyFileHash(signature, hash, key),
              c.Accepted);
  }
}

// CR LF line ends, a blank line first and blanks around every base64 line
// (the comment lines are signed text and stay as they are).
QByteArray Blanked(const QByteArray& file) {
  QByteArray out = "\r\n";
  for (const QByteArray& line : file.trimmed().split('\n'))
    out += (line.contains("comment: ") ? line : "  " + line + " \t") + "\r\n";
  return out;
}

TEST(MinisignTest, SignatureFileForms) {
  const TestKey key = TestKey::Generate();
  const MinisignPublicKey publicKey = ParseMinisignPublicKey(key.PublicLine);
  const QByteArray comment = test::StatementText();
  const QByteArray plain = key.Statement("release", comment);
  QByteArray changedBytes = plain;
  changedBytes.replace("trusted comment: qinghechart", "trusted comment: qinghechert");
  struct Case {
    const char* Name;
    QByteArray File;
    bool Parsed, Verified;
  } cases[] = {
      {"as minisign writes it", plain, true, true},
      {"wrapped at 64 columns", key.Statement("release", comment, 64), true, true},
      {"wrapped at 76 columns with CR LF and blanks",
       Blanked(key.Statement("release", comment, 76)), true, true},
      {"the trusted comment changed", changedBytes, true, false},
      {"no untrusted comment line", plain.mid(plain.indexOf('\n') + 1), false, false},
      {"no trusted comment", plain.left(plain.indexOf("trusted comment: ")), false, false},
      {"a stray character in the base64", QByteArray(plain).insert(plain.indexOf('\n') + 5, '*'),
       false, false},
      {"an HTML page", "<html><body>404 Not Found</body></html>", false, false},
      {"too large", plain + QByteArray(5000, ' '), false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const MinisignSignature signature = ParseMinisignSignature(c.File);
    EXPECT_EQ(signature.Parsed, c.Parsed);
    EXPECT_EQ(VerifyTrustedComment(signature, publicKey), c.Verified);
  }
}

TEST(MinisignTest, PublicKeyForms) {
  const TestKey key = TestKey::Generate();
  const QByteArray raw = QByteArray::fromBase64(key.PublicLine);
  struct Case {
    const char* Name;
    QByteArray Text;
    bool Valid;
  } cases[] = {
      {"the key line", key.PublicLine, true},
      {"the whole minisign.pub", "untrusted comment: minisign public key\n" + key.PublicLine + "\n",
       true},
      {"a raw Ed25519 key (the old form)", raw.mid(10).toBase64(), false},
      {"another algorithm's tag", ("Xd" + raw.mid(2)).toBase64(), false},
      {"one byte short", raw.left(41).toBase64(), false},
      {"empty", {}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseMinisignPublicKey(c.Text).valid(), c.Valid) << c.Name;
}

TEST(ReleaseStatementTest, ReadStrictly) {
  struct Case {
    const char* Comment;
    qint32 BuildNumber;  // 0: refused
  } cases[] = {
      {"qinghechart window linux-x86_64 version 26.12.09.18 expires 2027-03-09", 2026120918},
      {"qinghechart cli linux-arm64 version 2100.01.01.00 expires 2101-01-01", 2100010100},
      {"qinghechart window linux-x86_64 version 26.12.09.18 expires 2027-03-09 ", 0},
      {"qinghechart  window linux-x86_64 version 26.12.09.18 expires 2027-03-09", 0},
      {"qinghechart\twindow linux-x86_64 version 26.12.09.18 expires 2027-03-09", 0},
      {"qinghechart tray linux-x86_64 version 26.12.09.18 expires 2027-03-09", 0},
      {"qinghechart window linux-x86_64 version 26.12.9.18 expires 2027-03-09", 0},
      {"qinghechart window linux-x86_64 version 2026.12.09.18 expires 2027-03-09", 0},
      {"qinghechart window linux-x86_64 version 26.02.30.18 expires 2027-03-09", 0},
      {"qinghechart window linux-x86_64 version 26.12.09.24 expires 2027-03-09", 0},
      {"qinghechart window linux-x86_64 version 26.12.09.18 expires 2027-3-9", 0},
      {"qinghechart window linux-x86_64 version 26.12.09.18 expires 2027-02-29", 0},
      {"qinghechart window linux-x86_64 version 26.12.09.18 until 2027-03-09", 0},
      {"qinghechart window linux-x86_64 version 26.12.09.18", 0},
  };
  for (const Case& c : cases) {
    const auto release = ParseReleaseStatement(c.Comment);
    EXPECT_EQ(release ? release->BuildNumber : 0, c.BuildNumber) << c.Comment;
    if (release) {
      EXPECT_EQ(ReleaseStatementText(*release), QString::fromLatin1(c.Comment));
    }
  }
}

}  // namespace
}  // namespace qh
