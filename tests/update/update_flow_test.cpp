// The whole update against a real HTTP server on 127.0.0.1: every outcome's
// messages, what stays on disk, and the install run for real.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QLockFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <algorithm>
#include <optional>

#if !defined(Q_OS_WIN)
#include <csignal>
#include <unistd.h>
#endif

#include "base/code_page.h"
#include "base/diag_log.h"
#include "update/download_update.h"
#include "update/program_check.h"
#include "update/update_flow.h"
#include "update_test_server.h"
#include "update_test_support.h"

namespace qh {
namespace {

using test::Answer;
using test::Route;
using test::TestHttpServer;
using test::TestKey;

constexpr int kShortStallMs = 1000;                         // short, yet safe on a loaded machine
const QByteArray kNewer = "Fri, 03 May 2024 18:00:00 GMT";  // 2024050402 at UTC+8
const QByteArray kSame = "Thu, 02 May 2024 08:10:00 GMT";   // 2024050216 at UTC+8
const LocalVersion kLocal = LocalVersionFromStamp(1714640000, QDateTime());  // 24.05.02.16
const QByteArray kSigPath = QByteArray(test::kProgramPath) + ".minisig";

const TestKey& Key() {
  static const TestKey key = TestKey::Generate();
  return key;
}

QString Question() {
  return QStringLiteral(
      "发现官网已经发布更新的版本,是否要升级到最新版?\r\n\r\n"
      "当前版本:24.05.02.16\r\n最新版本:99.12.31.23");
}

QString Ready() {
  return QStringLiteral(
      "更新已下载完成,程序将自动重启为新版本.\r\n\r\n"
      "点击[确定]后程序将退出,随后自动启动新版本.");
}

using Message = std::pair<QString, MessageIcon>;

Message Failed(const char* reason) {
  return {QStringLiteral("下载失败:") + QString::fromUtf8(reason), MessageIcon::Exclamation};
}

struct FlowRun {
  RecordedMessages Messages;
  QStringList StartedScripts;
  int Quits = 0;
  int BusyDepth = 0;
};

// messages: where the boxes go instead of run.Messages.
UpdateContext MakeContext(FlowRun& run, const QString& url, const QString& appDir,
                          UserMessages* messages = nullptr) {
  return UpdateContext{
      .Messages = messages ? *messages : run.Messages,
      .UpdateUrl = url,
      .AppDir = appDir,
      .ExecutablePath = QDir(appDir).filePath(QStringLiteral("chart")),
      .WindowTitle = QStringLiteral("青禾图表生成工具"),
      .ShowBusy = [&run] { ++run.BusyDepth; },
      .ShowIdle = [&run] { --run.BusyDepth; },
      .QuitApplication = [&run] { ++run.Quits; },
      .PublicKey = Key().PublicLine,
      .RunScript = [&run](const QString& path) { run.StartedScripts << path; },
      .ReferenceProgram = QCoreApplication::applicationFilePath(),
      .StallTimeoutMs = kShortStallMs,
      .LocalVersion = kLocal,
      .Today = QDate(2025, 6, 1),
  };
}

// The downloaded program in its private folder, or empty when there is none.
QString PrivateDownload(const QString& appDir) {
  const QStringList folders =
      QDir(appDir).entryList({QStringLiteral("~qzdl-*")}, QDir::Dirs | QDir::Hidden);
  if (folders.size() != 1) return {};
  return QDir(appDir).filePath(folders[0] + u'/' + NewFileName());
}

// Runs one update to its end.
void RunFlow(UpdateContext context) {
  UpdateFlow flow(std::move(context));
  flow.Start();
  ASSERT_TRUE(test::SpinUntil([&] { return !flow.running(); }));
}

QByteArray WithMachine(QByteArray program, quint16 machine) {
  qToLittleEndian(machine, program.data() + 18);
  return program;
}

Route Signed(const QByteArray& statement) { return Answer(200, {}, statement); }

// The statement of bytes as the stand-in release (window, this platform,
// 99.12.31.23, valid through 2030), or with another trusted comment.
Route StatementFor(const QByteArray& bytes, const QByteArray& comment = test::StatementText(),
                   int wrap = 0) {
  return Signed(Key().Statement(bytes, comment, wrap));
}

Message Said(const char* text, MessageIcon icon = MessageIcon::Exclamation) {
  return {QString::fromUtf8(text), icon};
}

struct FlowCase {
  const char* Name;
  Route Program;
  std::optional<Route> Signature;  // none: the server has no ".minisig"
  std::vector<Message> Messages;
  bool Installs = false;
  MessageAnswer Answer = MessageAnswer::Yes;
  QByteArray PublicKey = Key().PublicLine;
  qint64 MaxBytes = 0;
  bool PackageManaged = false;
  int VersionTimeoutMs = 10000;
};

Route WithHeader(Route route, const QByteArray& header) {
  route.Head += header + "\r\n";
  return route;
}

std::vector<FlowCase> FlowCases() {
  const QByteArray program = test::TestProgramBytes();
  const QByteArray elf38(
      "\x7F"
      "ELF<html>portal login, please</html>",
      38);
  const QByteArray arm = WithMachine(program, 183);
  const QByteArray cut = program.left(kProgramHeadBytes);
  const QByteArray failing = test::TestProgramBytes("fail");
  const QByteArray hanging = test::TestProgramBytes("hang");
  const QByteArray contained = test::TestProgramBytes("contained");
  const QByteArray future = "Fri, 01 Jan 2100 00:00:00 GMT";
  const Message question{Question(), MessageIcon::Question};
  const Message ready{Ready(), MessageIcon::Information};
  const Message upToDate = Said("您现在使用的已经是最新版!", MessageIcon::Information);
  const Message badSignature = Said("更新文件的签名无效,已放弃更新.");
  const Message noKey{QStringLiteral("本版本未配置更新签名密钥,无法检查更新\r\n\r\n"
                                     "请从下载地址获取新版本:\r\n%URL%"),
                      MessageIcon::Information};
  const Route release = Answer(200, kNewer, program);
  const Route releaseSig = StatementFor(program);
  const Route sameSig = StatementFor(program, test::StatementText("window", "24.05.02.16", "2026-01-01"));
  Route chunkedBig{
      test::Head(200, kNewer, -1) + "Transfer-Encoding: chunked\r\n", {}, 3 << 20, true};
  Route stall = Answer(200, kNewer, program.left(500), program.size());
  stall.Finish = false;
  Route silentSig = releaseSig;
  silentSig.Answer = false;
  Route redirect = Answer(302, kSame, "");
  redirect.Head += "Location: /real.exe\r\n";
  QByteArray otherComment = Key().Statement(program, test::StatementText());
  otherComment.replace("99.12.31.23", "99.12.31.22");  // the global signature no longer holds
  const QByteArray expired = test::StatementText("window", "99.12.31.23", "2025-05-31");
  // clang-format off
  return {
      {"same signed build", Answer(200, kSame, program), sameSig, {upToDate}},
      // The file's time on the server decides nothing: old, missing,
      // garbled or obsolete, a newer signed release is offered.
      {"an old Last-Modified", Answer(200, "Sun, 06 Nov 1994 08:49:37 GMT", program), releaseSig,
       {question, ready}, true},
      {"no Last-Modified", Answer(200, {}, program), releaseSig, {question, ready}, true},
      {"a garbled Last-Modified", Answer(200, "Fri, xx May 2024 18:00:00 GMT", program), releaseSig,
       {question, ready}, true},
      {"a negative day", Answer(200, "Fri, -3 May 2024 18:00:00 GMT", program), releaseSig,
       {question, ready}, true},
      {"an RFC 850 Last-Modified", Answer(200, "Sunday, 06-Nov-94 08:49:37 GMT", program),
       releaseSig, {question, ready}, true},
      {"server never answers", release, silentSig,
       {Said("无法检查最新版本,请稍后再试.\r\n\r\n%URL%")}},
      {"answer no", release, releaseSig, {question}, false, MessageAnswer::No},
      {"a build without a key asks nobody", release, releaseSig, {noKey}, false,
       MessageAnswer::Yes, QByteArray()},
      {"the identical build without a key", Answer(200, future, program), sameSig, {noKey}, false,
       MessageAnswer::Yes, QByteArray()},
      {"package managed", release, releaseSig,
       {{QStringLiteral("新版本 99.12.31.23 已发布,请通过软件包管理器更新\r\n\r\n"
                        "当前版本:24.05.02.16"),
         MessageIcon::Information}},
       false, MessageAnswer::Yes, Key().PublicLine, 0, true},
      {"the identical build, package managed", Answer(200, future, program), sameSig, {upToDate},
       false, MessageAnswer::Yes, Key().PublicLine, 0, true},
      // Rollback and the same build again: the server's file time says
      // "newer", the signed version does not.
      {"an older signed build with a future date", Answer(200, future, program),
       StatementFor(program, test::StatementText("window", "24.05.01.10", "2026-01-01")), {upToDate}},
      {"the identical build uploaded later", Answer(200, future, program), sameSig, {upToDate}},
      {"a statement for the command-line tool", release,
       StatementFor(program, test::StatementText("cli")),
       {{QStringLiteral("服务器上的更新文件不是给本程序的,已放弃更新.\r\n\r\n签名声明:") +
             QString::fromLatin1(test::StatementText("cli")), MessageIcon::Exclamation}}},
      {"a statement for another platform", release,
       StatementFor(program, "qinghechart window plan9-mips version 99.12.31.23 expires 2030-01-01"),
       {Said("服务器上的更新文件不是给本程序的,已放弃更新.\r\n\r\n签名声明:qinghechart window "
             "plan9-mips version 99.12.31.23 expires 2030-01-01")}},
      {"an expired statement", release, StatementFor(program, expired),
       {Said("无法确认最新版本的签名是否有效,已放弃更新.\r\n\r\n签名声明已于 2025-05-31 过期,请稍后再试.")}},
      {"an expired statement by a clock ahead of the server's", release,
       WithHeader(StatementFor(program, expired), "Date: Sat, 31 May 2025 10:00:00 GMT"),
       {Said("无法确认最新版本的签名是否有效,已放弃更新.\r\n\r\n签名声明的有效期至 2025-05-31,"
             "而服务器的日期是 2025-05-31:请检查本机的日期和时间是否正确.")}},
      {"an expiry far beyond two years", release,
       StatementFor(program, test::StatementText("window", "28.01.01.00", "9999-12-31")),
       {Said("签名声明的有效期(至 9999-12-31)超过了版本日期后两年,已放弃更新.")}},
      {"a statement valid through today", release,
       StatementFor(program, test::StatementText("window", "99.12.31.23", "2025-06-01")),
       {question, ready}, true},
      {"a statement that is no statement", release, StatementFor(program, "qinghechart window"),
       {Said("更新文件的签名声明无法识别,已放弃更新.")}},
      {"a trusted comment changed after signing", release, Signed(otherComment), {badSignature}},
      // Known at once from the statement: refused before any download.
      {"a legacy Ed signature", release,
       Signed(Key().Statement(program, test::StatementText(), 0, "Ed")),
       {Said("更新文件的签名是本程序不接受的旧格式(Ed),已放弃更新.")}},
      {"a signature naming another key id", release,
       Signed(Key().Statement(program, test::StatementText(), 0, "ED", "otherkey")),
       {Said("更新文件不是用本程序的发布密钥签名的,已放弃更新.")}},
      {"404 with the header", Answer(404, kNewer, "<html>not found</html>"), releaseSig,
       {question, Failed("服务器上没有找到更新文件.\r\n\r\n服务器返回了状态码 404.")}},
      {"500 with the header", Answer(500, kNewer, "<html>oops</html>"), releaseSig,
       {question, Failed("下载服务器拒绝了请求.\r\n\r\n服务器返回了状态码 500.")}},
      {"empty body", Answer(200, kNewer, ""), StatementFor(""),
       {question, Failed("下载的文件为空.")}},
      {"cut off", Answer(200, kNewer, program.left(500), program.size()), releaseSig,
       {question, Failed("下载过程中出错.")}},
      {"stalls mid-body", stall, releaseSig, {question, Failed("下载过程中出错.")}},
      // Without a length a cut is invisible to HTTP; the signature still tells.
      {"cut short without a length", Answer(200, kNewer, program.left(50000), -1), releaseSig,
       {question, Failed("更新文件的签名无效,已放弃更新.")}},
      {"announced too large", Answer(200, kNewer, program), releaseSig,
       {question, Failed("更新文件太大(超过 512 MB),已放弃更新.")}, false, MessageAnswer::Yes,
       Key().PublicLine, program.size() - 1},
      {"streams past the limit", chunkedBig, releaseSig,
       {question, Failed("更新文件太大(超过 512 MB),已放弃更新.")}, false, MessageAnswer::Yes,
       Key().PublicLine, 1 << 20},
      {"no signature", release, std::nullopt, {Said("服务器上没有更新文件的签名,已放弃更新.")}},
      {"signature of other bytes", release, StatementFor(program + 'x'),
       {question, Failed("更新文件的签名无效,已放弃更新.")}},
      {"signed by a foreign key", release,
       Signed(TestKey::Generate().Statement(program, test::StatementText())),
       {Said("更新文件不是用本程序的发布密钥签名的,已放弃更新.")}},
      {"a page instead of a signature", release, Signed("<html>hello</html>"), {badSignature}},
      {"a huge signature file", release, Signed(QByteArray(100000, 'A')), {badSignature}},
      {"38 bytes of ELF magic and HTML", Answer(200, kNewer, elf38), StatementFor(elf38),
       {question, Failed("下载的文件不是本机可以运行的程序,已放弃更新.")}},
      {"a program for another machine", Answer(200, kNewer, arm), StatementFor(arm),
       {question, Failed("下载的文件不是本机可以运行的程序,已放弃更新.")}},
      {"a cut program with whole headers", Answer(200, kNewer, cut), StatementFor(cut),
       {question, Failed("新版本在报告版本号时异常退出,已放弃更新.")}},
      {"--version fails", Answer(200, kNewer, failing), StatementFor(failing),
       {question, Failed("新版本报告版本号时出错(退出码 1),已放弃更新.")}},
      {"--version hangs", Answer(200, kNewer, hanging), StatementFor(hanging),
       {question, Failed("新版本在 1 秒内没有报告版本号,已放弃更新.")}, false, MessageAnswer::Yes,
       Key().PublicLine, 0, false, 1000},
      {"--version is not the signed version", release,
       StatementFor(program, test::StatementText("window", "99.12.31.22")),
       {{QStringLiteral("发现官网已经发布更新的版本,是否要升级到最新版?\r\n\r\n"
                        "当前版本:24.05.02.16\r\n最新版本:99.12.31.22"), MessageIcon::Question},
        Failed("新版本报告的版本号(99.12.31.23)与签名声明的版本号(99.12.31.22)不符,已放弃更新.")}},
      {"installs", release, releaseSig, {question, ready}, true},
      {"the trial runs in its own folder with a minimal environment",
       Answer(200, kNewer, contained), StatementFor(contained), {question, ready}, true},
      {"installs with a statement wrapped at 64 columns", release,
       StatementFor(program, test::StatementText(), 64), {question, ready}, true},
      {"installs through a redirect", redirect, releaseSig, {question, ready}, true},
  };
  // clang-format on
}

TEST(UpdateFlowTest, MessagesForEveryOutcome) {
  const QByteArray program = test::TestProgramBytes();
  ASSERT_GT(program.size(), kProgramHeadBytes);
  qputenv("QH_NOT_FOR_THE_TRIAL", "1");  // the trial run must not see it
  for (const FlowCase& c : FlowCases()) {
    SCOPED_TRACE(c.Name);
    QTemporaryDir dir;
    TestHttpServer server;
    server.Serve(test::kProgramPath, c.Program);
    server.Serve("/real.exe", Answer(200, kNewer, program));
    if (c.Signature) server.Serve(kSigPath, *c.Signature);
    FlowRun run;
    run.Messages.Answer = c.Answer;
    DiagLog log(dir.filePath(QStringLiteral("qzChart.log")));
    UpdateContext context = MakeContext(run, server.Url(), dir.path());
    context.PublicKey = c.PublicKey;
    context.MaxBytes = c.MaxBytes;
    context.PackageManaged = c.PackageManaged;
    context.VersionTimeoutMs = c.VersionTimeoutMs;
    context.Log = &log;
    RunFlow(std::move(context));

    ASSERT_EQ(run.Messages.Entries.size(), c.Messages.size());
    for (size_t i = 0; i < c.Messages.size(); ++i) {
      QString expected = c.Messages[i].first;
      expected.replace(QStringLiteral("%URL%"), server.Url());
      EXPECT_EQ(run.Messages.Entries[i].Text, expected);
      EXPECT_EQ(run.Messages.Entries[i].Icon, c.Messages[i].second);
      EXPECT_EQ(run.Messages.Entries[i].Buttons, c.Messages[i].second == MessageIcon::Question
                                                     ? MessageButtons::YesNo
                                                     : MessageButtons::Ok);
    }
    EXPECT_EQ(run.BusyDepth, 0);
    EXPECT_EQ(run.Quits, c.Installs ? 1 : 0);
    // Nothing is downloaded before it is offered: the program's address is
    // not even asked for.
    const bool offered = std::any_of(c.Messages.begin(), c.Messages.end(), [](const Message& m) {
      return m.second == MessageIcon::Question;
    });
    if (!offered) {
      EXPECT_EQ(server.requests(), 0);
    }
    // The outcome is in the log, in the log's encoding.
    log.Flush();
    const QString logged = DecodeGbk(test::ReadWholeFile(log.LogPath()));
    QString outcome = run.Messages.Entries.back().Text;
    outcome.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    outcome.replace(QStringLiteral("%URL%"), server.Url());
    if (c.Answer == MessageAnswer::No) outcome = QStringLiteral("declined");
    if (c.Installs) outcome = QStringLiteral("the script is started");
    EXPECT_TRUE(logged.contains(QStringLiteral("update result: ") + outcome))
        << logged.toStdString();
    QFile::remove(log.LogPath());
    const QStringList left =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    if (c.Installs) {
      ASSERT_EQ(run.StartedScripts.size(), 1);
      EXPECT_TRUE(QFileInfo::exists(run.StartedScripts[0]));
      const QString newFile = PrivateDownload(dir.path());
      EXPECT_EQ(test::ReadWholeFile(newFile), c.Program.Body.isEmpty() ? program : c.Program.Body);
      EXPECT_TRUE(QFileInfo(newFile).isExecutable());
      // The private folder: the owner's alone.
      EXPECT_EQ(QFileInfo(QFileInfo(newFile).path()).permissions() & 0x0777,
                QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    } else {
      EXPECT_TRUE(run.StartedScripts.isEmpty());
      EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
    }
  }
  qunsetenv("QH_NOT_FOR_THE_TRIAL");
}

TEST(UpdateFlowTest, RequestCarriesAgentAndBypassesCaches) {
  TestHttpServer server;
  server.Serve(test::kProgramPath, Answer(200, kSame, "x"));
  QTemporaryDir dir;
  FlowRun run;
  RunFlow(MakeContext(run, server.Url(), dir.path()));
  const QByteArray request = server.lastRequest();
  // The check asks for the statement only.
  EXPECT_TRUE(request.startsWith("GET /Down/LumoChart.exe.minisig HTTP/1.1\r\n"))
      << request.constData();
  EXPECT_TRUE(request.contains("User-Agent: QingHeChart/1.0\r\n")) << request.constData();
  EXPECT_TRUE(request.contains("Accept-Encoding: identity\r\n")) << request.constData();
}

// A release that sends part of its body, chunked, and then nothing.
Route EndlessRelease() {
  Route route{test::Head(200, kNewer, -1) + "Transfer-Encoding: chunked\r\n", {}, 300000, true};
  route.Finish = false;
  return route;
}

TEST(UpdateFlowTest, ClosingTheWindowDuringADownloadKeepsNothing) {
  TestHttpServer server;
  server.Serve(test::kProgramPath, EndlessRelease());
  server.Serve(kSigPath, StatementFor(""));
  QTemporaryDir dir;
  FlowRun run;
  auto* window = new QObject;
  auto* flow = new UpdateFlow(MakeContext(run, server.Url(), dir.path()), window);
  flow->Start();
  ASSERT_TRUE(
      test::SpinUntil([&] { return QFileInfo(PrivateDownload(dir.path())).size() >= 300000; }));
  EXPECT_EQ(run.BusyDepth, 1);
  delete window;                               // the program quits
  EXPECT_EQ(run.Messages.Entries.size(), 1u);  // the question only: nothing said on the way out
  EXPECT_TRUE(run.StartedScripts.isEmpty());
  EXPECT_EQ(run.Quits, 0);
  EXPECT_EQ(run.BusyDepth, 0);
  const QStringList left =
      QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
}

TEST(UpdateFlowTest, SecondStartWhileRunningDoesNothing) {
  TestHttpServer server;
  server.Serve(test::kProgramPath, EndlessRelease());
  server.Serve(kSigPath, StatementFor(""));
  QTemporaryDir dir;
  FlowRun run;
  UpdateContext context = MakeContext(run, server.Url(), dir.path());
  context.StallTimeoutMs = 1500;
  UpdateFlow flow(std::move(context));
  flow.Start();
  ASSERT_TRUE(test::SpinUntil([&] { return server.requests() == 1; }));  // the download
  flow.Start();  // F10 again while the download runs
  EXPECT_TRUE(flow.running());
  ASSERT_TRUE(test::SpinUntil([&] { return !flow.running(); }));
  EXPECT_EQ(server.requests(), 1);
  ASSERT_EQ(run.Messages.Entries.size(), 2u);
  EXPECT_EQ(run.Messages.Entries[1].Text, QStringLiteral("下载失败:下载过程中出错."));
  flow.Start();  // a finished update can be started again
  ASSERT_TRUE(test::SpinUntil([&] { return !flow.running(); }));
  EXPECT_EQ(server.requests(), 2);
}

#if !defined(Q_OS_WIN)

// The signed release is downloaded, tried, and the real script puts it in
// place of the old program and starts it.
TEST(UpdateFlowTest, SignedReleaseInstallsAndStartsForReal) {
  const QByteArray program = test::TestProgramBytes();
  TestHttpServer server;
  server.Serve(test::kProgramPath, Answer(200, kNewer, program));
  server.Serve(kSigPath, StatementFor(program));
  QTemporaryDir dir;
  const QString old = QDir(dir.path()).filePath(QStringLiteral("chart"));
  {
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho old > \"$(dirname \"$0\")/started\"\n");
    file.close();
  }
  const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;  // 0755
  QFile::setPermissions(old, mode);
  FlowRun run;
  DiagLog log(dir.filePath(QStringLiteral("qzChart.log")));
  UpdateContext context = MakeContext(run, server.Url(), dir.path());
  context.RunScript = {};  // the real one
  context.ScriptTiming = {0, 3, 0, 0};
  context.Log = &log;
  RunFlow(std::move(context));
  ASSERT_EQ(run.Messages.Entries.size(), 2u);
  EXPECT_EQ(run.Messages.Entries[1].Text, Ready());
  EXPECT_EQ(run.Quits, 1);

  const QString started = QDir(dir.path()).filePath(QStringLiteral("started"));
  ASSERT_TRUE(test::SpinUntil([&] { return test::ReadWholeFile(started) == "new\n"; }, 10000));
  EXPECT_EQ(test::ReadWholeFile(old), program);
  EXPECT_EQ(QFileInfo(old).permissions() & 0x7077, QFileDevice::Permissions(mode) & 0x7077);
  EXPECT_TRUE(test::SpinUntil(
      [&] { return !QFileInfo::exists(QDir(dir.path()).filePath(ScriptFileName())); }, 5000));
  // The script removed the private folder and said what it did in the log.
  EXPECT_TRUE(
      QDir(dir.path()).entryList({QStringLiteral("~qzdl-*")}, QDir::Dirs | QDir::Hidden).isEmpty());
  const QByteArray logged = test::ReadWholeFile(log.LogPath());
  EXPECT_TRUE(logged.contains("update install: script ")) << logged.constData();
  EXPECT_TRUE(logged.endsWith("update script: installed the new version, starting it\r\n"))
      << logged.constData();
}

// An attacker who can write the program folder swaps the download for
// his own program at every turn of the event loop: whatever is installed
// is the signed program, because nothing is read by a name he can reach.
TEST(UpdateFlowTest, AFileSwappedInTheProgramFolderIsNeverInstalled) {
  const QByteArray program = test::TestProgramBytes();
  TestHttpServer server;
  server.Serve(test::kProgramPath, Answer(200, kNewer, program));
  server.Serve(kSigPath, StatementFor(program));
  QTemporaryDir dir;
  const QByteArray forged = "#!/bin/sh\necho 99.12.31.23\n";
  const QString wellKnown = QDir(dir.path()).filePath(NewFileName());
  QTimer swapper;
  QObject::connect(&swapper, &QTimer::timeout, [&] {
    QFile file(wellKnown);
    if (file.open(QIODevice::WriteOnly)) file.write(forged);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  });
  swapper.start(0);
  FlowRun run;
  RunFlow(MakeContext(run, server.Url(), dir.path()));
  swapper.stop();
  ASSERT_EQ(run.Messages.Entries.size(), 2u);
  EXPECT_EQ(run.Messages.Entries[1].Text, Ready());
  ASSERT_EQ(run.StartedScripts.size(), 1);
  const QString script = QString::fromUtf8(test::ReadWholeFile(run.StartedScripts[0]));
  const QString newFile = PrivateDownload(dir.path());
  EXPECT_TRUE(script.contains(QStringLiteral("NEW='") + newFile + u'\''));
  EXPECT_EQ(test::ReadWholeFile(newFile), program);
}

// A server that sends 20 bytes a second never stalls: the deadline ends it,
// or, sooner, the minimum rate over its window.
TEST(UpdateFlowTest, ATrickleEndsAtTheDeadlineOrBelowTheMinimumRate) {
  const struct {
    const char* Name;
    int DeadlineMs;    // 0: the default
    int RateWindowMs;  // 0: the default
  } cases[] = {{"deadline", 1500, 0}, {"minimum rate", 0, 500}};
  const QByteArray program = test::TestProgramBytes();
  for (const auto& c : cases) {
    TestHttpServer server;
    Route trickle = Answer(200, kNewer, program);
    trickle.BytesPerSecond = 20;
    server.Serve(test::kProgramPath, trickle);
    server.Serve(kSigPath, StatementFor(program));
    QTemporaryDir dir;
    FlowRun run;
    UpdateContext context = MakeContext(run, server.Url(), dir.path());
    if (c.DeadlineMs > 0) context.DeadlineMs = c.DeadlineMs;
    if (c.RateWindowMs > 0) context.RateWindowMs = c.RateWindowMs;
    QElapsedTimer clock;
    clock.start();
    RunFlow(std::move(context));
    EXPECT_LT(clock.elapsed(), 6000) << c.Name;
    ASSERT_EQ(run.Messages.Entries.size(), 2u) << c.Name;
    EXPECT_EQ(run.Messages.Entries[1].Text,
              QStringLiteral("下载失败:下载太慢,没有在限定的时间内完成,已放弃更新.\r\n\r\n"
                             "请检查网络连接后再试."))
        << c.Name;
    EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        << c.Name;
  }
}

// Each way of not reaching the server says which it is.
TEST(UpdateFlowTest, CheckFailuresSayWhatHappened) {
  TestHttpServer server;
  Route loop = Answer(302, kNewer, "");
  loop.Head += "Location: /Down/LumoChart.exe.minisig\r\n";
  server.Serve(kSigPath, loop);
  QTcpServer closed;
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
  const quint16 closedPort = closed.serverPort();
  closed.close();
  // Answers plain HTTP at once, to whatever comes (a TLS hello included).
  QTcpServer plain;
  ASSERT_TRUE(plain.listen(QHostAddress::LocalHost, 0));
  QObject::connect(&plain, &QTcpServer::newConnection, [&plain] {
    QTcpSocket* socket = plain.nextPendingConnection();
    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    socket->disconnectFromHost();
  });
  struct Case {
    const char* Name;
    QString Url;
    const char* Text;
  } cases[] = {
      {"connection refused", QStringLiteral("http://127.0.0.1:%1/a").arg(closedPort),
       "无法检查最新版本:下载服务器拒绝了连接."},
      {"too many redirects", server.Url(), "无法检查最新版本:下载地址的转向次数太多."},
      {"TLS to a plain HTTP server",
       QStringLiteral("https://127.0.0.1:%1/a").arg(plain.serverPort()),
       "无法检查最新版本:无法与下载服务器建立安全连接(证书或加密协议有误)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    QTemporaryDir dir;
    FlowRun run;
    RunFlow(MakeContext(run, c.Url, dir.path()));
    ASSERT_EQ(run.Messages.Entries.size(), 1u);
    EXPECT_EQ(run.Messages.Entries[0].Text, QString::fromUtf8(c.Text) + u"\r\n\r\n"_qs + c.Url);
  }
}

// A portable program in a folder it cannot write: said as it is, not blamed
// on a package manager.
TEST(UpdateFlowTest, AProgramFolderThatCannotBeWrittenIsSaidSo) {
  const QByteArray program = test::TestProgramBytes();
  TestHttpServer server;
  server.Serve(test::kProgramPath, Answer(200, kNewer, program));
  server.Serve(kSigPath, StatementFor(program));
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("not-a-folder")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));  // even root cannot make a folder inside a file
  file.close();
  FlowRun run;
  RunFlow(MakeContext(run, server.Url(), file.fileName()));
  ASSERT_EQ(run.Messages.Entries.size(), 1u);  // never offered
  EXPECT_EQ(
      run.Messages.Entries[0].Text,
      QStringLiteral("程序所在的文件夹不能写入,无法自动更新.\r\n\r\n请从下载地址获取新版本:\r\n") +
          server.Url());
  EXPECT_EQ(server.requests(), 0);
}

// Messages answered by the test, which can act while a box is open.
class HookedMessages final : public UserMessages {
 public:
  std::function<void(const QString&)> OnShow;
  RecordedMessages Recorded;
  MessageAnswer Show(const QString& text, MessageIcon icon, MessageButtons buttons) override {
    if (OnShow) OnShow(text);
    return Recorded.Show(text, icon, buttons);
  }
};

// A second copy of the program starts at every turn of the event loop while
// the first updates (its start-up cleans up), and a second update runs to
// its end while the first asks and while it shows the Ready box: the first
// completes all the same, with the signed program in its folder.
TEST(UpdateFlowTest, SecondCopiesStartedDuringEveryPhaseLeaveTheFirstToFinish) {
  const QByteArray program = test::TestProgramBytes();
  TestHttpServer server;
  server.Serve(test::kProgramPath, Answer(200, kNewer, program));
  server.Serve(kSigPath, StatementFor(program));
  QTemporaryDir dir;
  QTimer secondStart;
  QObject::connect(&secondStart, &QTimer::timeout, [&] { RemoveSetAsideProgram(dir.path()); });
  secondStart.start(0);
  HookedMessages messages;
  int secondUpdates = 0;
  messages.OnShow = [&](const QString&) {
    RemoveSetAsideProgram(dir.path());
    FlowRun second;
    second.Messages.Answer = MessageAnswer::No;
    RunFlow(MakeContext(second, server.Url(), dir.path()));
    RemoveSetAsideProgram(dir.path());
    ++secondUpdates;
  };
  FlowRun run;
  RunFlow(MakeContext(run, server.Url(), dir.path(), &messages));
  secondStart.stop();
  EXPECT_EQ(secondUpdates, 2);
  ASSERT_EQ(messages.Recorded.Entries.size(), 2u);
  EXPECT_EQ(messages.Recorded.Entries[0].Text, Question());
  EXPECT_EQ(messages.Recorded.Entries[1].Text, Ready());
  ASSERT_EQ(run.StartedScripts.size(), 1);
  EXPECT_EQ(test::ReadWholeFile(PrivateDownload(dir.path())), program);
  // The script's folder stays while it works, whoever starts.
  RemoveSetAsideProgram(dir.path());
  EXPECT_EQ(test::ReadWholeFile(PrivateDownload(dir.path())), program);
}

// What a start-up removes: only private folders of ours that nobody holds.
TEST(UpdateFlowTest, StartUpRemovesOnlyOurFreePrivateFolders) {
  QTemporaryDir dir;
  const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
  const auto make = [&](const QString& name, QFileDevice::Permissions mode,
                        const QStringList& files) {
    const QString folder = dir.filePath(name);
    QDir().mkpath(folder);
    for (const QString& f : files) {
      QFile file(QDir(folder).filePath(f));
      if (file.open(QIODevice::WriteOnly)) file.write("x");
    }
    QFile::setPermissions(folder, mode);
    return folder;
  };
  const struct {
    const char* Name;
    QFileDevice::Permissions Mode;
    QStringList Files;
    bool Removed;
  } cases[] = {
      {"~qzdl-backup", ownerOnly, {QStringLiteral("thesis.docx")}, false},
      {"~qzdl-a1b2c3", ownerOnly, {NewFileName(), QStringLiteral("notes.txt")}, false},
      {"~qzdl-shared", ownerOnly | QFile::ReadGroup | QFile::ExeGroup, {NewFileName()}, false},
      {"~qzdl-left01", ownerOnly, {NewFileName()}, true},
      {"~qzdl-empty1", ownerOnly, {}, true},
      {"~qzdl-script", ownerOnly, {NewFileName(), HandedOverMarkName()}, false},
  };
  for (const auto& c : cases) make(QString::fromLatin1(c.Name), c.Mode, c.Files);
  // A running copy's download, held by its lock.
  const QString held = make(QStringLiteral("~qzdl-held01"), ownerOnly, {NewFileName()});
  QLockFile lock(QDir(held).filePath(PrivateFolderLockName()));
  lock.setStaleLockTime(0);
  ASSERT_TRUE(lock.tryLock(0));
  // Someone else's folder of that pattern in a shared folder.
  const QString foreign = make(QStringLiteral("~qzdl-other1"), ownerOnly, {NewFileName()});
  const bool chowned =
      ::geteuid() == 0 && ::chown(QFile::encodeName(foreign).constData(), 65534, 65534) == 0;
  RemoveSetAsideProgram(dir.path());
  for (const auto& c : cases)
    EXPECT_EQ(QFileInfo::exists(dir.filePath(QString::fromLatin1(c.Name))), !c.Removed) << c.Name;
  EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("~qzdl-backup/thesis.docx"))));
  EXPECT_TRUE(QFileInfo::exists(QDir(held).filePath(NewFileName())));
  if (chowned) {
    EXPECT_TRUE(QFileInfo::exists(QDir(foreign).filePath(NewFileName())));
  }
  lock.unlock();
  RemoveSetAsideProgram(dir.path());  // its copy has ended
  EXPECT_FALSE(QFileInfo::exists(held));
}

// A release that starts a child for its "--version" answer leaves nothing
// running: the trial's whole process group ends with it.
TEST(UpdateFlowTest, AForkingReleaseLeavesNoProcessBehind) {
  const QByteArray program = test::TestProgramBytes("fork");
  TestHttpServer server;
  server.Serve(test::kProgramPath, Answer(200, kNewer, program));
  server.Serve(kSigPath, StatementFor(program));
  QTemporaryDir dir;
  QTemporaryDir home;
  const QByteArray oldHome = qgetenv("HOME");
  qputenv("HOME", QFile::encodeName(home.path()));
  FlowRun run;
  RunFlow(MakeContext(run, server.Url(), dir.path()));
  qputenv("HOME", oldHome);
  ASSERT_EQ(run.Messages.Entries.size(), 2u);
  const QString pidFile = home.filePath(QStringLiteral("forked.pid"));
  ASSERT_TRUE(test::SpinUntil([&] { return !test::ReadWholeFile(pidFile).isEmpty(); }, 5000));
  const QByteArray pid = test::ReadWholeFile(pidFile).trimmed();
  // Gone, or a zombie nobody reaps in this container: not running either way.
  const auto running = [&] {
    const QByteArray stat = test::ReadWholeFile(QStringLiteral("/proc/") +
                                                QString::fromLatin1(pid) + QStringLiteral("/stat"));
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && stat.mid(close + 2, 1) != "Z";
  };
  EXPECT_TRUE(test::SpinUntil([&] { return !running(); }, 3000)) << "pid " << pid.constData();
  if (running()) ::kill(pid.toInt(), SIGKILL);
}

TEST(UpdateFlowTest, StatementAddressKeepsTheQuery) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://h.example/d/qinghechart", "https://h.example/d/qinghechart.minisig"},
      {"https://h.example/get?file=x&v=2", "https://h.example/get.minisig?file=x&v=2"},
      {"http://127.0.0.1:8080/a%20b.exe?q", "http://127.0.0.1:8080/a%20b.exe.minisig?q"},
  };
  for (const auto& [url, statement] : cases)
    EXPECT_EQ(StatementUrl(QString::fromLatin1(url)), QString::fromLatin1(statement)) << url;
}

#endif

}  // namespace
}  // namespace qh
