// The window program's entry point.
#include <QApplication>

int main(int argc, char** argv) {
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  QApplication app(argc, argv);
  return 0;
}
