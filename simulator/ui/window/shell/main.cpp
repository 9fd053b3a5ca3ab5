// Tarvico: the ECU simulator's program. Starts the application and its main window and runs the
// window's message loop until the program ends.
#include "Exception.h"
#include "MainForm.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationName));
    QApplication::setStyle(QStringLiteral("Fusion"));
    try {
        TfFormMain window(QCoreApplication::applicationDirPath().toStdString());
        window.show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QString::fromLatin1(ApplicationName), QString::fromStdString(ExceptionMessage(e)));
    } catch (...) {
        QMessageBox::critical(nullptr, QString::fromLatin1(ApplicationName), QString());
    }
    return 1;
}
