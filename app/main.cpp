#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Ze Zuzazo");
  window.show();
  if (qEnvironmentVariableIsSet("KZ_QUIT_AFTER_START")) return 0;
  return app.exec();
}
