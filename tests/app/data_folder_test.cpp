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

}  // namespace
}  // namespace qh
