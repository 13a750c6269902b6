// The window and qinghechart-cli read one settings file by one rule, so the
// same data gives the same chart through either door: the window's start-up
// and chart request on one side, "render" of a copy of the tool on the other.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <gtest/gtest.h>
#include <iostream>
#include <unistd.h>

#include "app/chart_request.h"
#include "app/data_folder.h"
#include "app/startup.h"
#include "base/user_messages.h"
#include "chart/chart_text.h"
#include "chart/render_chart.h"
#include "support/cli_process.h"

namespace {

using qh::test::ProcessRun;

class NoMessages : public qh::UserMessages {
 public:
  qh::MessageAnswer Show(const QString& text, qh::MessageIcon, qh::MessageButtons) override {
    ADD_FAILURE() << "unexpected message: " << text.toStdString();
    return qh::MessageAnswer::Ok;
  }
};

constexpr int kWidth = 900, kHeight = 560;
constexpr quint32 kConfiguredColor = 0xFFE74C3C;

// A portable copy keeps its settings beside itself; an installed one (a
// folder it cannot write to) in the user's configuration folder.
enum class Layout { Portable, Installed };

// Every text the chart drew, as "role|text" lines.
QStringList TextsOf(const qh::ChartOutline& outline) {
  QStringList out;
  for (const qh::ChartText& t : outline.Texts)
    out << QString::fromLatin1(qh::TextRoleName(t.Role)) + u'|' + t.Text;
  return out;
}

QStringList TextsOf(const QJsonObject& layout) {
  QStringList out;
  for (const QJsonValue& t : layout[QStringLiteral("texts")].toArray())
    out << t[QStringLiteral("role")].toString() + u'|' + t[QStringLiteral("text")].toString();
  return out;
}

bool HasColor(const QImage& image, quint32 argb) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x)
      if ((line[x] | 0xFF000000u) == argb) return true;
  }
  return false;
}

class CliSharedSettings : public qh::test::CliTest {
 protected:
  // The tool and its drawing module copied into a folder of their own.
  QString InstallCopy(const QString& folder) {
    QDir().mkpath(folder);
    const QString built = QFileInfo(qh::test::CliPath()).absolutePath() + u'/';
    for (const char* name : {"qinghechart-cli", "qinghechart-render.so"}) {
      const QString to = folder + u'/' + QLatin1String(name);
      EXPECT_TRUE(QFile::copy(built + QLatin1String(name), to)) << name;
    }
    return folder + QStringLiteral("/qinghechart-cli");
  }

  // The window's door: its start-up reads the settings, its request asks
  // for the chart, and the chart is drawn as the window draws it.
  static void DrawAsTheWindow(const QString& appDir, const QString& configDir, const QString& data,
                              qh::ChartPage page, QImage& image, qh::ChartState& chart) {
    qh::StartupEnvironment env;
    env.AppDir = appDir;
    env.DataDir = qh::DataFolderFor(appDir, configDir);
    env.Arguments = {data};
    NoMessages messages;
    qh::AppState state;
    qh::RunStartup(state, env, messages);
    const qh::ChartRequest request =
        qh::MakeChartRequest(page, 1, state.Table.ItemCount(), state.Config, state.Labels, 1.0f);
    image = QImage(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    qh::RenderChart(painter, kWidth, kHeight, state.Table, request, chart);
  }
};

TEST_F(CliSharedSettings, BothDoorsDrawTheSameChartFromTheSameFile) {
  QByteArray csv;
  for (int i = 1; i <= 12; ++i)
    csv += "项目" + QByteArray::number(i) + ',' + QByteArray::number(i * 37) + '\n';
  const QString data = Write(QStringLiteral("sales.csv"), csv);
  const QByteArray settings =
      "[Limits]\r\nPageSize=5\r\n[Colors]\r\nLineColor=#E74C3C\r\n[Bar]\r\nUseLetters=1\r\n";

  for (const Layout layout : {Layout::Portable, Layout::Installed}) {
    const bool installed = layout == Layout::Installed;
    if (installed && geteuid() == 0) {
      std::cout << "installed layout not run: root can write to any folder\n";
      continue;
    }
    const QString root = Path(installed ? QStringLiteral("installed") : QStringLiteral("portable"));
    const QString appDir = root + QStringLiteral("/bin");
    const QString configHome = root + QStringLiteral("/config");
    const QString configDir = configHome + QStringLiteral("/qinghechart");
    const QString cli = InstallCopy(appDir);
    const QString settingsDir = installed ? configDir : appDir;
    QDir().mkpath(settingsDir);
    qh::test::WriteAll(settingsDir + QStringLiteral("/青禾图表生成工具.ini"), settings);
    if (installed) QFile::setPermissions(appDir, QFile::ReadOwner | QFile::ExeOwner);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    for (const char* kind : {"bar", "pie", "line"}) {
      const qh::ChartPage page = QLatin1String(kind) == QLatin1String("pie") ? qh::ChartPage::Pie
                                 : QLatin1String(kind) == QLatin1String("line")
                                     ? qh::ChartPage::Line
                                     : qh::ChartPage::Bar;
      const QString out = root + u'/' + QLatin1String(kind);
      const ProcessRun run = qh::test::RunProcess(
          cli,
          {QStringLiteral("render"), QStringLiteral("--kind"), QLatin1String(kind),
           QStringLiteral("--size"), QStringLiteral("%1x%2").arg(kWidth).arg(kHeight),
           QStringLiteral("--layout"), out + QStringLiteral(".json"), QStringLiteral("-o"),
           out + QStringLiteral(".png"), data},
          {}, env);
      ASSERT_EQ(run.ExitCode, 0) << kind << ": " << run.Err.toStdString();
      const QJsonObject cliLayout =
          QJsonDocument::fromJson(qh::test::ReadAll(out + QStringLiteral(".json"))).object();

      QImage windowImage;
      qh::ChartState window;
      DrawAsTheWindow(appDir, configDir, data, page, windowImage, window);
      const char* where = installed ? "installed" : "portable";
      EXPECT_EQ(cliLayout[QStringLiteral("title")].toString(), window.Outline.Title)
          << where << kind;
      EXPECT_EQ(cliLayout[QStringLiteral("drawn")].toInt(), window.Outline.Drawn) << where << kind;
      EXPECT_EQ(TextsOf(cliLayout), TextsOf(window.Outline)) << where << kind;
      if (page == qh::ChartPage::Pie) {
        EXPECT_EQ(window.Outline.Drawn, 5) << where;
      }
      if (page == qh::ChartPage::Line) {
        EXPECT_TRUE(HasColor(QImage(out + QStringLiteral(".png")), kConfiguredColor)) << where;
        EXPECT_TRUE(HasColor(windowImage, kConfiguredColor)) << where;
      }
    }
    if (installed)
      QFile::setPermissions(appDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
}

}  // namespace
