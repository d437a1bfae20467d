#include "platform/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace zepra {

namespace {

QString BoxText(const std::string& text) {
    QString message = QString::fromStdString(text);
    message.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return message;
}

}  // namespace

void QtMessageBox::show(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), BoxText(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    open_.push_back(&box);
    box.exec();
    open_.pop_back();
}

void QtMessageBox::replaceOpen(const std::string& shown, const std::string& replacement) {
    const QString old = BoxText(shown);
    for (QMessageBox* box : open_) {
        if (box->text() == old) box->setText(BoxText(replacement));
    }
}

}  // namespace zepra
