// GComboBox: the grid's combo box laid over a value cell, for value lists
// and for the editable room-name list. Choosing an entry or pressing Enter
// ends the edit exactly as leaving the cell does.
#pragma once

#include <QComboBox>

namespace tavrin::gui {

class GComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit GComboBox(QWidget* parent = nullptr);

  signals:
    void enterPressed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace tavrin::gui
