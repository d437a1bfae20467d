#include "ui/main/about_box.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include "ui/fonts.h"
#include "ui/main/artwork.h"

namespace zepra {
namespace {

// A label that keeps mouse presses to itself, so that a click on a text does not close the box.
class InertLabel : public QLabel {
  public:
    using QLabel::QLabel;

  protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                  QRect twips) {
    auto* label = new InertLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setGeometry(Px(twips.x()), Px(twips.y()), Px(twips.width()), Px(twips.height()));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ZEPRA Coating Thickness Tester"));
    setWindowIcon(AboutIcon());
    setFixedSize(Px(6060), Px(1635));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    MakeLabel(this, "Label1", QStringLiteral("ZEPRA Coating Thickness Tester V1.4"),
              ArialFont(12, true), QRect(840, 240, 4455, 375));
    MakeLabel(this, "Label2", QStringLiteral("(C) 2026 ZEPRA"), ArialFont(12),
              QRect(1920, 840, 2055, 495));

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void AboutBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

}  // namespace zepra
