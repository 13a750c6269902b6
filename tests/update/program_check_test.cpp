// A download must be a program for this computer before it is even run.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QtEndian>

#include "update/program_check.h"
#include "update_test_support.h"

namespace qh {
namespace {

void Put16(QByteArray& bytes, qsizetype at, quint16 value) {
  qToLittleEndian(value, bytes.data() + at);
}

// The running test program's own bytes: an ELF of this computer.
const QByteArray& RunningBytes() {
  static const QByteArray bytes = test::ReadWholeFile(QCoreApplication::applicationFilePath());
  return bytes;
}

struct ElfCase {
  const char* Name;
  std::function<void(QByteArray&)> Change;
  bool Matches;
};

TEST(ProgramCheckTest, ElfMustMatchTheRunningProgram) {
  const QByteArray running = RunningBytes().left(kProgramHeadBytes);
  ASSERT_TRUE(
      running.startsWith("\x7F"
                         "ELF"));
  // clang-format off
  const ElfCase cases[] = {
      {"the same program", [](QByteArray&) {}, true},
      {"38 bytes of ELF magic and HTML",
       [](QByteArray& b) { b = QByteArray("\x7F" "ELF<html>portal login, please</html>", 38); },
       false},
      {"machine AArch64", [](QByteArray& b) { Put16(b, 18, 183); }, false},
      {"32-bit class", [](QByteArray& b) { b[4] = 1; }, false},
      {"big-endian", [](QByteArray& b) { b[5] = 2; }, false},
      {"relocatable object", [](QByteArray& b) { Put16(b, 16, 1); }, false},
      {"no program headers", [](QByteArray& b) { Put16(b, 56, 0); }, false},
      {"program headers past the end", [](QByteArray& b) { b.truncate(64 + 56); }, false},
      {"wrong header entry size", [](QByteArray& b) { Put16(b, 54, 40); }, false},
      {"ELF version 0", [](QByteArray& b) { b[6] = 0; }, false},
      {"five-byte ELF prefix", [](QByteArray& b) { b = QByteArray("\x7F" "ELF\x02", 5); }, false},
      {"a Windows program", [](QByteArray& b) { b.replace(0, 4, "MZ\x90\x00"); }, false},
  };
  // clang-format on
  for (const ElfCase& c : cases) {
    QByteArray candidate = RunningBytes();
    c.Change(candidate);
    EXPECT_EQ(MatchesRunningProgram(candidate.left(kProgramHeadBytes), candidate.size(), running),
              c.Matches)
        << c.Name;
  }
}

// A minimal PE header: machine, optional-header kind, flags and sections.
QByteArray PeImage(quint16 machine, quint16 magic, quint16 flags, quint16 sections) {
  QByteArray image(1024, '\0');
  image.replace(0, 2, "MZ");
  qToLittleEndian(quint32(128), image.data() + 60);
  image.replace(128, 4, QByteArray("PE\0\0", 4));
  Put16(image, 128 + 4, machine);
  Put16(image, 128 + 6, sections);
  Put16(image, 128 + 20, 240);  // optional header size of PE32+
  Put16(image, 128 + 22, flags);
  Put16(image, 128 + 24, magic);
  return image;
}

struct PeCase {
  const char* Name;
  QByteArray Candidate;
  qint64 Size;
  bool Matches;
};

TEST(ProgramCheckTest, PeMustMatchTheRunningProgram) {
  const QByteArray running = PeImage(0x8664, 0x20B, 0x0022, 4);
  const PeCase cases[] = {
      {"the same kind", PeImage(0x8664, 0x20B, 0x0022, 4), 1024, true},
      {"ARM64", PeImage(0xAA64, 0x20B, 0x0022, 4), 1024, false},
      {"32-bit optional header", PeImage(0x8664, 0x10B, 0x0022, 4), 1024, false},
      {"a library", PeImage(0x8664, 0x20B, 0x2022, 4), 1024, false},
      {"not executable", PeImage(0x8664, 0x20B, 0x0020, 4), 1024, false},
      {"section table past the end", PeImage(0x8664, 0x20B, 0x0022, 4), 500, false},
      {"no PE signature", PeImage(0x8664, 0x20B, 0x0022, 4).replace(128, 2, "EP"), 1024, false},
      {"an ELF file", RunningBytes().left(kProgramHeadBytes), RunningBytes().size(), false},
  };
  for (const PeCase& c : cases)
    EXPECT_EQ(MatchesRunningProgram(c.Candidate, c.Size, running), c.Matches) << c.Name;
}

TEST(ProgramCheckTest, NothingMatchesAnUnknownRunningProgram) {
  EXPECT_FALSE(MatchesRunningProgram(RunningBytes().left(kProgramHeadBytes), RunningBytes().size(),
                                     QByteArray()));
}

}  // namespace
}  // namespace qh
