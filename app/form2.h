#pragma once

#include <QWidget>

// The prescaler reference: the clock-select tables of Timer0 and Timer2.
// Created hidden and only ever hidden again, so it keeps its place between
// showings. A click on a picture or on the bare background closes it, as does
// "Zamknij" or Esc.
class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    void Image1Click();
    void Image2Click();
    void FormClick();
    void BitBtn1Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool onBareBackground(const QMouseEvent* event) const;

    bool pressedOnBackground_ = false;
};
