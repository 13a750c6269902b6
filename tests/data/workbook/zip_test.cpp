#include "data/workbook/zip.h"

#include "support/test_files.h"

#include <gtest/gtest.h>

namespace qh {
namespace {

const QByteArray kBasic =
    test::ReadAll(QStringLiteral(QH_TEST_DATA_DIR "/workbooks/basic_openpyxl.xlsx"));
const QString kSheet = QStringLiteral("xl/worksheets/sheet1.xml");

TEST(ZipPackage, FindsPartsWhateverTheirCase) {
  ZipPackage package;
  ASSERT_TRUE(package.Open(kBasic));
  EXPECT_TRUE(package.HasPart(u"XL/Workbook.XML"_qs));
  EXPECT_FALSE(package.HasPart(u"xl/missing.xml"_qs));
  EXPECT_EQ(package.OpenPart(u"xl/missing.xml"_qs), nullptr);
  EXPECT_FALSE(ZipPackage().Open(QByteArray("PK not a zip")));
}

TEST(ZipPackage, APartGrowingPastItsLimitFailsWhileInflating) {
  ZipPackage package;
  ASSERT_TRUE(package.Open(kBasic));
  const auto whole = package.OpenPart(kSheet);
  ASSERT_NE(whole, nullptr);
  const QByteArray text = whole->readAll();
  EXPECT_TRUE(text.startsWith("<worksheet"));
  EXPECT_FALSE(whole->Failed());

  const auto limited = package.OpenPart(kSheet, text.size() - 1);
  ASSERT_NE(limited, nullptr);
  limited->readAll();
  EXPECT_TRUE(limited->Failed());
}

}  // namespace
}  // namespace qh
