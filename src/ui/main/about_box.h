#pragma once
// frmAbout: names the product and its version; a click on its own background closes it.

#include <QWidget>

namespace zepra {

class AboutBox : public QWidget {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;  // Form_MouseDown
};

}  // namespace zepra
