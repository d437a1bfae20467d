#include "platform/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace zepra {

void QtMessageBox::show(const std::string& text) {
    QString message = QString::fromStdString(text);
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

}  // namespace zepra
