#pragma once
// frmAbout: names the product and its version; a click on its own background closes it, and so
// do Enter and Escape.

#include <QWidget>

namespace zepra {

class AboutBox : public QWidget {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;  // Form_MouseDown
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace zepra
