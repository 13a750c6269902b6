// The whole update against a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "test_http_server.h"
#include "update/download_update.h"
#include "update/remote_build.h"
#include "update/update_flow.h"

namespace qh {
namespace {

using test::CannedResponse;
using test::HttpResponse;
using test::ProgramBody;
using test::TestHttpServer;

constexpr int kShortStallMs = 1000;  // short, yet safe on a loaded machine
const QByteArray kNewer = "Fri, 03 May 2024 18:00:00 GMT";  // 2024050402 at UTC+8
const QByteArray kSame = "Thu, 02 May 2024 08:10:00 GMT";   // 2024050216 at UTC+8
const LocalVersion kLocal = LocalVersionFromStamp(1714640000, QDateTime());  // 24.05.02.16

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

struct FlowRun {
  RecordedMessages messages;
  QStringList startedScripts;
  int quits = 0;
  int busyDepth = 0;
};

void RunFlow(FlowRun& run, const QString& url, const QString& appDir) {
  UpdateContext context{
      .messages = run.messages,
      .updateUrl = url,
      .appDir = appDir,
      .executablePath = QDir(appDir).filePath(QStringLiteral("chart")),
      .showBusy = [&] { ++run.busyDepth; },
      .showIdle = [&] { --run.busyDepth; },
      .quitApplication = [&] { ++run.quits; },
      .runScript = [&](const QString& path) { run.startedScripts << path; },
      .stallTimeoutMs = kShortStallMs,
      .localVersion = kLocal,
  };
  CheckForUpdate(context);
}

struct FlowCase {
  const char* name;
  CannedResponse response;
  MessageAnswer answer;
  std::vector<std::pair<QString, MessageIcon>> messages;
  bool installs;
};

TEST(UpdateFlowTest, MessagesForEveryOutcome) {
  const auto kQuestion = std::make_pair(Question(), MessageIcon::Question);
  const auto failed = [](const char* reason) {
    return std::make_pair(QStringLiteral("下载失败:") + QString::fromUtf8(reason),
                          MessageIcon::Exclamation);
  };
  const FlowCase cases[] = {
      {"same build", {HttpResponse(200, kSame, ProgramBody(100))}, MessageAnswer::Yes,
       {{QStringLiteral("您现在使用的已经是最新版!"), MessageIcon::Information}}, false},
      {"no header", {HttpResponse(200, QByteArray(), ProgramBody(100))}, MessageAnswer::Yes,
       {{QStringLiteral("无法检查最新版本,请稍后再试.\r\n\r\n%URL%"), MessageIcon::Exclamation}},
       false},
      {"server never answers", {QByteArray(), true, false}, MessageAnswer::Yes,
       {{QStringLiteral("无法检查最新版本,请稍后再试.\r\n\r\n%URL%"), MessageIcon::Exclamation}},
       false},
      {"answer no", {HttpResponse(200, kNewer, ProgramBody(100))}, MessageAnswer::No,
       {kQuestion}, false},
      {"404 with the header", {HttpResponse(404, kNewer, "<html>not found</html>")},
       MessageAnswer::Yes, {kQuestion, failed("无法连接到下载服务器.")}, false},
      {"empty body", {HttpResponse(200, kNewer, "")}, MessageAnswer::Yes,
       {kQuestion, failed("下载的文件为空.")}, false},
      {"cut off", {HttpResponse(200, kNewer, ProgramBody(500), 1000)}, MessageAnswer::Yes,
       {kQuestion, failed("下载过程中出错.")}, false},
      {"stalls mid-body", {HttpResponse(200, kNewer, ProgramBody(500), 1000), false},
       MessageAnswer::Yes, {kQuestion, failed("下载过程中出错.")}, false},
      {"not a program", {HttpResponse(200, kNewer, "<html>portal login</html>")},
       MessageAnswer::Yes, {kQuestion, failed("下载过程中出错.")}, false},
      {"installs", {HttpResponse(200, kNewer, ProgramBody(100000))}, MessageAnswer::Yes,
       {kQuestion, {Ready(), MessageIcon::Information}}, true},
  };
  for (const FlowCase& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    TestHttpServer server(c.response);
    FlowRun run;
    run.messages.answer = c.answer;
    RunFlow(run, server.Url(), dir.path());

    ASSERT_EQ(run.messages.entries.size(), c.messages.size());
    for (size_t i = 0; i < c.messages.size(); ++i) {
      QString expected = c.messages[i].first;
      expected.replace(QStringLiteral("%URL%"), server.Url());
      EXPECT_EQ(run.messages.entries[i].text, expected);
      EXPECT_EQ(run.messages.entries[i].icon, c.messages[i].second);
      EXPECT_EQ(run.messages.entries[i].buttons,
                c.messages[i].second == MessageIcon::Question ? MessageButtons::YesNo
                                                              : MessageButtons::Ok);
    }
    EXPECT_EQ(run.busyDepth, 0);
    EXPECT_EQ(run.quits, c.installs ? 1 : 0);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    if (c.installs) {
      ASSERT_EQ(run.startedScripts.size(), 1);
      EXPECT_TRUE(QFileInfo::exists(run.startedScripts[0]));
      QFile newFile(QDir(dir.path()).filePath(NewFileName()));
      ASSERT_TRUE(newFile.open(QIODevice::ReadOnly));
      EXPECT_EQ(newFile.readAll(), ProgramBody(100000));
    } else {
      EXPECT_TRUE(run.startedScripts.isEmpty());
      EXPECT_TRUE(left.isEmpty()) << left.join(u' ').toStdString();
    }
  }
}

TEST(UpdateFlowTest, RequestCarriesAgentAndBypassesCaches) {
  TestHttpServer server({HttpResponse(200, kSame, ProgramBody(100))});
  const RemoteBuild remote = RemoteBuildNumber(server.Url(), kShortStallMs);
  EXPECT_TRUE(remote.ok);
  EXPECT_EQ(remote.buildNumber, 2024050216);
  const QByteArray request = server.lastRequest();
  EXPECT_TRUE(request.startsWith("GET /Down/LumoChart.exe HTTP/1.1\r\n")) << request.constData();
  EXPECT_TRUE(request.contains("User-Agent: QingHeChart/1.0\r\n")) << request.constData();
}

TEST(UpdateFlowTest, SecondStartWhileRunningDoesNothing) {
  // The question box runs while the first update is in progress; a second
  // start from the still-live window must not begin another one.
  class ReenteringMessages final : public UserMessages {
   public:
    std::function<void()> onQuestion;
    int shown = 0;
    MessageAnswer Show(const QString&, MessageIcon, MessageButtons buttons) override {
      ++shown;
      if (buttons == MessageButtons::YesNo && onQuestion) onQuestion();
      return MessageAnswer::No;
    }
  };
  TestHttpServer server({HttpResponse(200, kNewer, ProgramBody(100))});
  QTemporaryDir dir;
  ReenteringMessages messages;
  UpdateContext context{.messages = messages, .updateUrl = server.Url(), .appDir = dir.path(),
                        .stallTimeoutMs = kShortStallMs, .localVersion = kLocal};
  messages.onQuestion = [&] { CheckForUpdate(context); };
  CheckForUpdate(context);
  EXPECT_EQ(messages.shown, 1);
  EXPECT_EQ(server.requests(), 1);
  messages.onQuestion = nullptr;
  CheckForUpdate(context);  // the guard is released afterwards
  EXPECT_EQ(messages.shown, 2);
}

TEST(DownloadTest, RefusesOversizeAndReplacesStaleFile) {
  QTemporaryDir dir;
  const QString stale = QDir(dir.path()).filePath(NewFileName());
  QFile staleFile(stale);
  ASSERT_TRUE(staleFile.open(QIODevice::WriteOnly));
  staleFile.write("old download");
  staleFile.close();

  TestHttpServer big({HttpResponse(200, kNewer, ProgramBody(5000))});
  QString error;
  EXPECT_TRUE(DownloadUpdate({.url = big.Url(), .appDir = dir.path(), .maxBytes = 4999}, error)
                  .isEmpty());
  EXPECT_EQ(error, QStringLiteral("下载过程中出错."));
  EXPECT_FALSE(QFileInfo::exists(stale));

  const QString path =
      DownloadUpdate({.url = big.Url(), .appDir = dir.path(), .maxBytes = 5000}, error);
  EXPECT_EQ(path, stale);
  EXPECT_TRUE(error.isEmpty());
  EXPECT_EQ(QFileInfo(path).size(), 5000);
  EXPECT_TRUE(QFileInfo(path).isExecutable());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(DownloadTest, FollowsARedirect) {
  TestHttpServer target({HttpResponse(200, kNewer, ProgramBody(3000))});
  TestHttpServer moved({"HTTP/1.1 302 Found\r\nLocation: " + target.Url().toUtf8() +
                        "\r\nLast-Modified: " + kSame +
                        "\r\nContent-Length: 9\r\nConnection: close\r\n\r\nmoved ..."});
  const RemoteBuild remote = RemoteBuildNumber(moved.Url(), kShortStallMs);
  EXPECT_EQ(remote.buildNumber, 2024050402);  // the file's time, not the redirect's
  QTemporaryDir dir;
  QString error;
  const QString path = DownloadUpdate({.url = moved.Url(), .appDir = dir.path()}, error);
  EXPECT_TRUE(error.isEmpty()) << error.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), ProgramBody(3000));
}

TEST(DownloadTest, UnreachableServer) {
  QString url;
  {
    TestHttpServer closed({QByteArray()});
    url = closed.Url();
  }
  QTemporaryDir dir;
  QString error;
  EXPECT_TRUE(DownloadUpdate({.url = url, .appDir = dir.path(), .stallTimeoutMs = kShortStallMs},
                             error)
                  .isEmpty());
  EXPECT_EQ(error, QStringLiteral("无法连接到下载服务器."));
  EXPECT_FALSE(RemoteBuildNumber(url, kShortStallMs).ok);
}

}  // namespace
}  // namespace qh
