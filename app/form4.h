#pragma once

#include "solver/search.h"
#include "ui/searchwindow.h"

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace app {
class RankingModel;
class TimelineView;
}
namespace ui {
class BitBtn;
}

// The settings search: which timer, mode, prescaler and register value give
// a wanted interval or frequency on the chosen chip, best first, searched
// anew on every edit. Made when first opened, never modal, hidden when
// closed; Esc or "Zamknij" hides it. "Kopiuj kod C" copies the selected
// row's register setup. Bad input and goals out of reach are said in the
// status line, never in a dialog, so typing goes on.
class TForm4 : public ui::SettingsSearch {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    void start(const ui::SearchStart& from) override;

    void czestChange();
    void mikrokontrolerChange();
    void celChange();
    void wartoscChange();
    void jednostkaChange();
    void timerChange();
    void wynikiSelectionChange();
    void kopiujKodClick();
    void BitBtn1Click();

private:
    struct Controls {
        QComboBox* czest;
        QComboBox* mikrokontroler;
        QComboBox* cel;
        QLineEdit* wartosc;
        QComboBox* jednostka;
        QComboBox* timer;
        QTableView* wyniki;
        app::TimelineView* przebieg;  // the selected row's timing diagram
        QLabel* status;
        QPushButton* kopiujKod;
        ui::BitBtn* BitBtn1;
    };

    void createWindow();
    void createControls();
    void createConnections();
    void fillUnits();
    void fillTimers();
    const avr::Chip& chosenChip() const;

    void recalculate();
    std::optional<solver::Query> readQuery();
    std::optional<int> selectedRow() const;
    void showTimeline();

    Controls c_{};
    app::RankingModel* model_ = nullptr;
    std::optional<solver::Query> query_;
};
