#pragma once

#include <QString>
#include <QWidget>

namespace ui {

// What the main window hands the settings search when the user opens it
// from there: its clock and its wanted interval, as they stand.
struct SearchStart {
    QString clock;     // czest's text: a picked entry or a typed frequency
    QString interval;  // Edit1's text
    QString unit;      // "us", "ms" or "s": the unit the window reads Edit1 in
};

// The settings search window, made by the program entry; the main window
// only opens it.
class SettingsSearch : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    // Fills the window from the main window and shows it in front.
    virtual void start(const SearchStart& from) = 0;
};

}  // namespace ui
