#include "data/workbook/zip.h"

#include "support/test_files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <zip.h>

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

// A package of the given parts, deflated, as a writer makes it.
QByteArray PackageOf(const std::vector<std::pair<const char*, QByteArray>>& parts) {
  QTemporaryDir dir;
  const QByteArray path = dir.filePath(u"p.zip"_qs).toLocal8Bit();
  int error = 0;
  zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive == nullptr) return {};
  for (const auto& [name, bytes] : parts) {
    zip_source_t* source = zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
    if (source == nullptr || zip_file_add(archive, name, source, ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(source);
      zip_discard(archive);
      return {};
    }
  }
  if (zip_close(archive) != 0) return {};
  return test::ReadAll(dir.filePath(u"p.zip"_qs));
}

// A part read a piece at a time is refused for a declaration other than a
// comment or CDATA, wherever it stands; an exclamation mark elsewhere is
// only text.
TEST(ZipPackage, AStreamedPartRefusesDeclarations) {
  const QByteArray filler(3 * 1024 * 1024, 'x');
  const struct {
    const char* Name;
    QByteArray Part;
    bool Refused;
  } cases[] = {
      {"plain.xml", "<r>Hello! <a>!</a>!<!-- note --><![CDATA[x]]></r>", false},
      {"doctype.xml", "<r><!DOCTYPE r></r>", true},
      {"late.xml", "<r>" + filler + "</r><r>" + filler + "<!ENTITY a \"1\"></r>", true},
      {"first.xml", "<!DOCTYPE r><r/>", true},
  };
  std::vector<std::pair<const char*, QByteArray>> parts;
  for (const auto& c : cases) parts.emplace_back(c.Name, c.Part);
  ZipPackage package;
  ASSERT_TRUE(package.Open(PackageOf(parts)));
  for (const auto& c : cases) {
    const auto device = package.OpenPart(QString::fromLatin1(c.Name));
    ASSERT_NE(device, nullptr) << c.Name;
    const QByteArray read = device->readAll();
    EXPECT_EQ(device->Failed(), c.Refused) << c.Name;
    if (!c.Refused) {
      EXPECT_EQ(read, c.Part) << c.Name;
    }
  }
}

}  // namespace
}  // namespace qh
