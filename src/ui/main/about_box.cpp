#include "ui/main/about_box.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include "ui/controls.h"
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

void AddText(QWidget* box, const char* name, const QString& text, const QFont& font,
             const QRect& twips) {
    PlaceLabel(new InertLabel(text, box), name, twips, Qt::AlignLeft | Qt::AlignTop)->setFont(font);
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QWidget(parent, Qt::Tool | kFixedCloseOnlyFrame) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ZEPRA Coating Thickness Tester"));
    setWindowIcon(AboutIcon());
    setFixedSize(Px(6060), Px(1635));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    AddText(this, "Label1", QStringLiteral("ZEPRA Coating Thickness Tester V1.4"),
            ArialFont(12, true), QRect(840, 240, 4455, 375));
    AddText(this, "Label2", QStringLiteral("(C) 2026 ZEPRA"), ArialFont(12),
            QRect(1920, 840, 2055, 495));
}

void AboutBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    close();
}

// It has no button to press: the keys that answer a message box close it.
void AboutBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            close();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace zepra
