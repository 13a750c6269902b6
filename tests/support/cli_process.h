#pragma once
// Running qinghechart-cli (and the tools that read its output) as a child
// process, the way business systems call it.
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

#include "support/test_files.h"

namespace qh::test {

// The CLI of the same build, or the one QH_CLI_PATH names (the installed
// package's, in the package check).
inline QString CliPath() {
  const QString fromEnv = qEnvironmentVariable("QH_CLI_PATH");
  if (!fromEnv.isEmpty()) return fromEnv;
  return QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/qinghechart-cli");
}

struct ProcessRun {
  int ExitCode = -1;  // -1: it crashed or did not finish in time
  QByteArray Out;
  QByteArray Err;
};

// Runs program with input on its standard input (then closed), in env when
// given; a run that does not finish within timeoutMs counts as a crash.
inline ProcessRun RunProcess(const QString& program, const QStringList& args,
                             const QByteArray& input = {},
                             const std::optional<QProcessEnvironment>& env = std::nullopt,
                             int timeoutMs = 60000) {
  QProcess process;
  if (env) process.setProcessEnvironment(*env);
  process.start(program, args);
  process.write(input);
  process.closeWriteChannel();
  ProcessRun run;
  if (!process.waitForFinished(timeoutMs)) return run;
  run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.Out = process.readAllStandardOutput();
  run.Err = process.readAllStandardError();
  return run;
}

inline ProcessRun RunCli(const QStringList& args, const QByteArray& input = {},
                         const std::optional<QProcessEnvironment>& env = std::nullopt) {
  return RunProcess(CliPath(), args, input, env);
}

// A test that needs the CLI built and a folder of its own for its files.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(CliPath()))
      FAIL() << "build qinghechart-cli first: " << CliPath().toStdString();
    ASSERT_TRUE(dir_.isValid());
  }
  QString Path(const QString& name) const { return dir_.filePath(name); }
  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = Path(name);
    WriteAll(path, bytes);
    return path;
  }
  QTemporaryDir dir_;
};

}  // namespace qh::test
