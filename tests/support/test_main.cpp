// Shared test entry point. Each suite starts the smallest application object
// its layer needs (QH_TEST_APPLICATION), so a suite of a lower layer cannot
// use a window or a font without failing to link. Graphics run on the
// offscreen platform, the same with or without a display.
#include <gtest/gtest.h>

#if QH_TEST_APPLICATION == 2
#include <QApplication>
using TestApplication = QApplication;
#elif QH_TEST_APPLICATION == 1
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  TestApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
