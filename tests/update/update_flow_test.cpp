// The whole update against a real HTTP server on 127.0.0.1: every outcome's
// messages, what stays on disk, and the install run for real.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <optional>

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
const QByteArray kSigPath = QByteArray(test::kProgramPath) + ".sig";

const TestKey& Key() {
  static const TestKey key = TestKey::Generate();
  return key;
}

QString Question() {
  return QStringLiteral(
      "发现官网已经发布更新的版本,是否要升级到最新版?\r\n\r\n"
      "当前版本:24.05.02.16\r\n最新版本:24.05.04.02");
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
  RecordedMessages messages;
  QStringList startedScripts;
  int quits = 0;
  int busyDepth = 0;
};

UpdateContext MakeContext(FlowRun& run, const QString& url, const QString& appDir) {
  return UpdateContext{
      .messages = run.messages,
      .updateUrl = url,
      .appDir = appDir,
      .executablePath = QDir(appDir).filePath(QStringLiteral("chart")),
      .windowTitle = QStringLiteral("青禾图表生成工具"),
      .showBusy = [&run] { ++run.busyDepth; },
      .showIdle = [&run] { --run.busyDepth; },
      .quitApplication = [&run] { ++run.quits; },
      .publicKey = Key().publicBase64,
      .runScript = [&run](const QString& path) { run.startedScripts << path; },
      .referenceProgram = QCoreApplication::applicationFilePath(),
      .stallTimeoutMs = kShortStallMs,
      .localVersion = kLocal,
  };
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

Route Signed(const QByteArray& signature) { return Answer(200, {}, signature); }

struct FlowCase {
  const char* name;
  Route program;
  std::optional<Route> signature;  // none: the server has no ".sig"
  std::vector<Message> messages;
  bool installs = false;
  MessageAnswer answer = MessageAnswer::Yes;
  const char* programMode = "";  // how the stand-in release answers --version
  QByteArray publicKey = Key().publicBase64;
  qint64 maxBytes = 0;
  bool packageManaged = false;
  int versionTimeoutMs = 10000;
};

std::vector<FlowCase> FlowCases() {
  const QByteArray program = test::TestProgramBytes();
  const QByteArray elf38(
      "\x7F"
      "ELF<html>portal login, please</html>",
      38);
  const QByteArray arm = WithMachine(program, 183);
  const QByteArray cut = program.left(kProgramHeadBytes);
  const Message question{Question(), MessageIcon::Question};
  const Message ready{Ready(), MessageIcon::Information};
  const Route release = Answer(200, kNewer, program);
  const Route releaseSig = Signed(Key().Sign(program));
  Route chunkedBig{
      test::Head(200, kNewer, -1) + "Transfer-Encoding: chunked\r\n", {}, 3 << 20, true};
  Route stall = Answer(200, kNewer, program.left(500), program.size());
  stall.finish = false;
  Route silent = Answer(200, kNewer, program);
  silent.answer = false;
  Route redirect = Answer(302, kSame, "");
  redirect.head += "Location: /real.exe\r\n";
  // clang-format off
  return {
      {"same build", Answer(200, kSame, program), releaseSig,
       {{QStringLiteral("您现在使用的已经是最新版!"), MessageIcon::Information}}},
      {"no header", Answer(200, {}, program), releaseSig,
       {{QStringLiteral("无法检查最新版本,请稍后再试.\r\n\r\n%URL%"), MessageIcon::Exclamation}}},
      {"server never answers", silent, releaseSig,
       {{QStringLiteral("无法检查最新版本,请稍后再试.\r\n\r\n%URL%"), MessageIcon::Exclamation}}},
      {"answer no", release, releaseSig, {question}, false, MessageAnswer::No},
      {"a build without a key points to the address", release, releaseSig,
       {{QStringLiteral("发现官网已经发布更新的版本.\r\n\r\n"
                        "这个版本不能自动安装更新,请从下载地址获取新版本:\r\n%URL%\r\n\r\n"
                        "当前版本:24.05.02.16\r\n最新版本:24.05.04.02"),
         MessageIcon::Information}},
       false, MessageAnswer::Yes, "", QByteArray()},
      {"package managed", release, releaseSig,
       {{QStringLiteral("发现官网已经发布更新的版本.\r\n\r\n"
                        "本程序由系统的软件包管理器安装,请用软件包管理器升级"
                        "(例如 sudo apt install ./qinghechart_*.deb).\r\n\r\n"
                        "当前版本:24.05.02.16\r\n最新版本:24.05.04.02"),
         MessageIcon::Information}},
       false, MessageAnswer::Yes, "", Key().publicBase64, 0, true},
      {"404 with the header", Answer(404, kNewer, "<html>not found</html>"), releaseSig,
       {question, Failed("服务器上没有找到更新文件.\r\n\r\n服务器返回了状态码 404.")}},
      {"500 with the header", Answer(500, kNewer, "<html>oops</html>"), releaseSig,
       {question, Failed("下载服务器拒绝了请求.\r\n\r\n服务器返回了状态码 500.")}},
      {"empty body", Answer(200, kNewer, ""), Signed(Key().Sign("")),
       {question, Failed("下载的文件为空.")}},
      {"cut off", Answer(200, kNewer, program.left(500), program.size()), releaseSig,
       {question, Failed("下载过程中出错.")}},
      {"stalls mid-body", stall, releaseSig, {question, Failed("下载过程中出错.")}},
      // Without a length a cut is invisible to HTTP; the signature still tells.
      {"cut short without a length", Answer(200, kNewer, program.left(50000), -1), releaseSig,
       {question, Failed("更新文件的签名无效,已放弃更新.")}},
      {"announced too large", Answer(200, kNewer, program), releaseSig,
       {question, Failed("更新文件太大(超过 512 MB),已放弃更新.")}, false, MessageAnswer::Yes, "",
       Key().publicBase64, program.size() - 1},
      {"streams past the limit", chunkedBig, releaseSig,
       {question, Failed("更新文件太大(超过 512 MB),已放弃更新.")}, false, MessageAnswer::Yes, "",
       Key().publicBase64, 1 << 20},
      {"no signature", release, std::nullopt,
       {question, Failed("服务器上没有更新文件的签名,已放弃更新.")}},
      {"signature of other bytes", release, Signed(Key().Sign(program + 'x')),
       {question, Failed("更新文件的签名无效,已放弃更新.")}},
      {"signed by a foreign key", release, Signed(TestKey::Generate().Sign(program)),
       {question, Failed("更新文件的签名无效,已放弃更新.")}},
      {"a page instead of a signature", release, Signed("<html>hello</html>"),
       {question, Failed("更新文件的签名无效,已放弃更新.")}},
      {"a huge signature file", release, Signed(QByteArray(100000, 'A')),
       {question, Failed("更新文件的签名无效,已放弃更新.")}},
      {"38 bytes of ELF magic and HTML", Answer(200, kNewer, elf38), Signed(Key().Sign(elf38)),
       {question, Failed("下载的文件不是本机可以运行的程序,已放弃更新.")}},
      {"a program for another machine", Answer(200, kNewer, arm), Signed(Key().Sign(arm)),
       {question, Failed("下载的文件不是本机可以运行的程序,已放弃更新.")}},
      {"a cut program with whole headers", Answer(200, kNewer, cut), Signed(Key().Sign(cut)),
       {question, Failed("新版本无法在本机启动,已放弃更新.")}},
      {"--version fails", release, releaseSig,
       {question, Failed("新版本无法在本机启动,已放弃更新.")}, false, MessageAnswer::Yes, "fail"},
      {"--version hangs", release, releaseSig,
       {question, Failed("新版本无法在本机启动,已放弃更新.")}, false, MessageAnswer::Yes, "hang",
       Key().publicBase64, 0, false, 1000},
      {"installs", release, releaseSig, {question, ready}, true},
      {"installs with a base64 signature", release, Signed(Key().Sign(program).toBase64() + "\n"),
       {question, ready}, true},
      {"installs through a redirect", redirect, releaseSig, {question, ready}, true},
  };
  // clang-format on
}

TEST(UpdateFlowTest, MessagesForEveryOutcome) {
  const QByteArray program = test::TestProgramBytes();
  ASSERT_GT(program.size(), kProgramHeadBytes);
  for (const FlowCase& c : FlowCases()) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    TestHttpServer server;
    server.Serve(test::kProgramPath, c.program);
    server.Serve("/real.exe", Answer(200, kNewer, program));
    if (c.signature) server.Serve(kSigPath, *c.signature);
    qputenv("QH_TEST_PROGRAM_MODE", c.programMode);
    FlowRun run;
    run.messages.answer = c.answer;
    UpdateContext context = MakeContext(run, server.Url(), dir.path());
    context.publicKey = c.publicKey;
    context.maxBytes = c.maxBytes;
    context.packageManaged = c.packageManaged;
    context.versionTimeoutMs = c.versionTimeoutMs;
    RunFlow(std::move(context));
    qunsetenv("QH_TEST_PROGRAM_MODE");

    ASSERT_EQ(run.messages.entries.size(), c.messages.size());
    for (size_t i = 0; i < c.messages.size(); ++i) {
      QString expected = c.messages[i].first;
      expected.replace(QStringLiteral("%URL%"), server.Url());
      EXPECT_EQ(run.messages.entries[i].text, expected);
      EXPECT_EQ(run.messages.entries[i].icon, c.messages[i].second);
      EXPECT_EQ(run.messages.entries[i].buttons, c.messages[i].second == MessageIcon::Question
                                                     ? MessageButtons::YesNo
                                                     : MessageButtons::Ok);
    }
    EXPECT_EQ(run.busyDepth, 0);
    EXPECT_EQ(run.quits, c.installs ? 1 : 0);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    if (c.installs) {
      ASSERT_EQ(run.startedScripts.size(), 1);
      EXPECT_TRUE(QFileInfo::exists(run.startedScripts[0]));
      const QString newFile = QDir(dir.path()).filePath(NewFileName());
      EXPECT_EQ(test::ReadWholeFile(newFile), program);
      EXPECT_TRUE(QFileInfo(newFile).isExecutable());
    } else {
      EXPECT_TRUE(run.startedScripts.isEmpty());
      EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
    }
  }
}

TEST(UpdateFlowTest, RequestCarriesAgentAndBypassesCaches) {
  TestHttpServer server;
  server.Serve(test::kProgramPath, Answer(200, kSame, "x"));
  QTemporaryDir dir;
  FlowRun run;
  RunFlow(MakeContext(run, server.Url(), dir.path()));
  const QByteArray request = server.lastRequest();
  EXPECT_TRUE(request.startsWith("GET /Down/LumoChart.exe HTTP/1.1\r\n")) << request.constData();
  EXPECT_TRUE(request.contains("User-Agent: QingHeChart/1.0\r\n")) << request.constData();
  EXPECT_TRUE(request.contains("Accept-Encoding: identity\r\n")) << request.constData();
}

// A release that sends part of its body, chunked, and then nothing.
Route EndlessRelease() {
  Route route{test::Head(200, kNewer, -1) + "Transfer-Encoding: chunked\r\n", {}, 300000, true};
  route.finish = false;
  return route;
}

TEST(UpdateFlowTest, ClosingTheWindowDuringADownloadKeepsNothing) {
  TestHttpServer server;
  server.Serve(test::kProgramPath, EndlessRelease());
  server.Serve(kSigPath, Signed(Key().Sign("")));
  QTemporaryDir dir;
  const QString newFile = QDir(dir.path()).filePath(NewFileName());
  FlowRun run;
  auto* window = new QObject;
  auto* flow = new UpdateFlow(MakeContext(run, server.Url(), dir.path()), window);
  flow->Start();
  ASSERT_TRUE(test::SpinUntil([&] { return QFileInfo(newFile).size() >= 300000; }));
  EXPECT_EQ(run.busyDepth, 1);
  delete window;  // the program quits
  EXPECT_FALSE(QFileInfo::exists(newFile));
  EXPECT_EQ(run.messages.entries.size(), 1u);  // the question only: nothing said on the way out
  EXPECT_TRUE(run.startedScripts.isEmpty());
  EXPECT_EQ(run.quits, 0);
  EXPECT_EQ(run.busyDepth, 0);
  EXPECT_EQ(server.requests(kSigPath), 0);
  const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
  EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
}

TEST(UpdateFlowTest, SecondStartWhileRunningDoesNothing) {
  TestHttpServer server;
  server.Serve(test::kProgramPath, EndlessRelease());
  QTemporaryDir dir;
  FlowRun run;
  UpdateContext context = MakeContext(run, server.Url(), dir.path());
  context.stallTimeoutMs = 1500;
  UpdateFlow flow(std::move(context));
  flow.Start();
  ASSERT_TRUE(test::SpinUntil([&] { return server.requests() == 2; }));  // check, then download
  flow.Start();  // F10 again while the download runs
  EXPECT_TRUE(flow.running());
  ASSERT_TRUE(test::SpinUntil([&] { return !flow.running(); }));
  EXPECT_EQ(server.requests(), 2);
  ASSERT_EQ(run.messages.entries.size(), 2u);
  EXPECT_EQ(run.messages.entries[1].text, QStringLiteral("下载失败:下载过程中出错."));
  flow.Start();  // a finished update can be started again
  ASSERT_TRUE(test::SpinUntil([&] { return !flow.running(); }));
  EXPECT_EQ(server.requests(), 4);
}

#if !defined(Q_OS_WIN)

// The signed release is downloaded, tried, and the real script puts it in
// place of the old program and starts it.
TEST(UpdateFlowTest, SignedReleaseInstallsAndStartsForReal) {
  const QByteArray program = test::TestProgramBytes();
  TestHttpServer server;
  server.Serve(test::kProgramPath, Answer(200, kNewer, program));
  server.Serve(kSigPath, Signed(Key().Sign(program).toBase64()));
  QTemporaryDir dir;
  const QString old = QDir(dir.path()).filePath(QStringLiteral("chart"));
  {
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\necho old > \"$(dirname \"$0\")/started\"\n");
    file.close();
    file.setPermissions(file.permissions() | QFile::ExeOwner);
  }
  FlowRun run;
  UpdateContext context = MakeContext(run, server.Url(), dir.path());
  context.runScript = {};  // the real one
  context.scriptTiming = {0, 3, 0, 0};
  RunFlow(std::move(context));
  ASSERT_EQ(run.messages.entries.size(), 2u);
  EXPECT_EQ(run.messages.entries[1].text, Ready());
  EXPECT_EQ(run.quits, 1);

  const QString started = QDir(dir.path()).filePath(QStringLiteral("started"));
  ASSERT_TRUE(test::SpinUntil([&] { return test::ReadWholeFile(started) == "new\n"; }, 10000));
  EXPECT_EQ(test::ReadWholeFile(old), program);
  EXPECT_TRUE(QFileInfo(old).isExecutable());
  EXPECT_TRUE(test::SpinUntil(
      [&] { return !QFileInfo::exists(QDir(dir.path()).filePath(ScriptFileName())); }, 5000));
  EXPECT_FALSE(QFileInfo::exists(QDir(dir.path()).filePath(NewFileName())));
}

#endif

}  // namespace
}  // namespace qh
