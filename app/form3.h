#pragma once

#include <QWidget>

// The about window. Centred on the screen when first shown; after that it
// reappears wherever the user left it. Only "OK" closes it.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool placed_ = false;
};
