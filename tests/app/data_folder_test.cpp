#include "app/data_folder.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace qh {
namespace {

TEST(DataFolder, SystemProgramFoldersBelongToThePackageManager) {
  // Root can write to /usr/bin, but a packaged program must still keep its
  // settings per user, or an upgrade would meet files it does not own.
  for (const char* dir : {"/usr/bin", "/usr/bin/", "/bin"}) {
    EXPECT_TRUE(IsSystemInstallFolder(QString::fromLatin1(dir))) << dir;
  }
  QTemporaryDir portable;
  EXPECT_FALSE(IsSystemInstallFolder(portable.path()));
  EXPECT_FALSE(IsSystemInstallFolder(portable.path() + QStringLiteral("/gone")));
}

TEST(DataFolder, PortableProgramKeepsItsFilesBesideItself) {
  QTemporaryDir app;
  QTemporaryDir config;
  EXPECT_EQ(DataFolderFor(app.path(), config.path()), app.path() + u'/');
  EXPECT_EQ(PictureFolderFor(app.path() + u'/', app.path() + u'/'), app.path() + u'/');
}

TEST(DataFolder, InstalledProgramUsesTheUserFolderAndCreatesIt) {
  QTemporaryDir home;
  const QString config = home.path() + QStringLiteral("/.config/qinghechart");
  EXPECT_EQ(DataFolderFor(QStringLiteral("/usr/bin"), config), config + u'/');
  EXPECT_TRUE(QDir(config).exists());
  EXPECT_NE(PictureFolderFor(QStringLiteral("/usr/bin/"), config + u'/'),
            QStringLiteral("/usr/bin/"));
}

// The command-line tool reads the file the window keeps, and creates nothing
// to find it.
TEST(DataFolder, SettingsFileFollowsTheWindowsRuleWithoutCreatingIt) {
  QTemporaryDir app;
  QTemporaryDir home;
  const QString config = home.path() + QStringLiteral("/.config/qinghechart");
  const QString name = QStringLiteral("/青禾图表生成工具.ini");
  const struct {
    QString AppDir;
    QString Expected;
  } cases[] = {
      {QStringLiteral("/usr/bin"), config + name},
      {QStringLiteral("/usr/bin/"), config + name},
      {app.path(), app.path() + name},
      {app.path() + u'/', app.path() + name},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SettingsFileFor(c.AppDir, config), c.Expected) << c.AppDir.toStdString();
  EXPECT_FALSE(QDir(config).exists());
}

}  // namespace
}  // namespace qh
