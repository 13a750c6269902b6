// Shared test entry point: a QGuiApplication on the offscreen platform, so
// fonts, images and widgets behave the same with or without a display.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
