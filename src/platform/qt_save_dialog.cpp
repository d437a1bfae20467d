#include "platform/qt_save_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

namespace zepra {

QString ToQtFileFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        const QString bracketed = QLatin1Char('(') + pattern + QLatin1Char(')');
        filters << (description.endsWith(bracketed) ? description
                                                    : description + QLatin1Char(' ') + bracketed);
    }
    if (parts.size() % 2 == 1 && !parts.back().trimmed().isEmpty()) {
        filters << parts.back().trimmed();  // a lone pattern without a description
    }
    return filters.join(QStringLiteral(";;"));
}

std::string QtSaveDialog::getSaveFileName(const std::string& title, const std::string& filter) {
    // An existing file is replaced without a question and nothing is appended to the name.
    const QString path = QFileDialog::getSaveFileName(
        QApplication::activeWindow(), QString::fromStdString(title), QString(),
        ToQtFileFilter(filter), nullptr, QFileDialog::DontConfirmOverwrite);
    return path.toStdString();
}

}  // namespace zepra
