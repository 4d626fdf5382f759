#pragma once

#include "app/rankingmodel.h"
#include "solver/search.h"
#include "ui/searchwindow.h"

#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace app {
class TimelineView;
}

namespace ui {
class BitBtn;
}

// The settings search: which timer, mode, prescaler and register value give
// a wanted interval or frequency on the chosen chip, best first, searched
// anew on every edit. Made when first opened, never modal, hidden when
// closed; Esc closes an open list, else hides the window, as "Zamknij" does.
// Enter, a double click, Ctrl+C and "Kopiuj kod C" copy the selected row's
// register setup, Ctrl+Shift+C the row itself; the right button offers both.
// Bad input and goals out of reach are said in the status line, never in a
// dialog, so typing goes on. Its size and place are kept per screen.
class TForm4 : public ui::SettingsSearch {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    void start(const ui::SearchStart& from) override;

    void czestChange();
    void mikrokontrolerChange();
    void celChange();
    void wartoscChange();
    void jednostkaChange();
    void timerChange();
    void wynikiSelectionChange();
    void kopiujKodClick();
    void kopiujWierszClick();
    void zapiszDiagramClick();
    // The row menu's "Zapisz diagram jako SVG…" past its file dialog: the
    // selected row's diagram written to path, said in the status line.
    bool saveDiagram(const QString& path);
    void wynikiMenu(const QPoint& at);
    void BitBtn1Click();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

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
        // The row's actions, on its keys and in its menu.
        QAction* kopiujKodAction;
        QAction* kopiujWierszAction;
        QAction* zapiszDiagramAction;
    };

    void createWindow();
    void createControls();
    void createConnections();
    void sizeColumns();
    void placeOnScreen();
    void keepWithinScreen();
    void saveGeometryOfScreen() const;
    QString geometryKey() const;
    void focusValue();
    void fillUnits();
    void fillTimers();
    const avr::Chip& chosenChip() const;
    const app::RankingModel::Unit& chosenUnit() const;

    void recalculate();
    std::optional<solver::Query> readQuery();
    std::optional<int> selectedRow() const;
    void showTimeline();
    void enableRowActions(bool enabled);
    void showRankingStatus();
    void say(const QString& text);

    Controls c_{};
    app::RankingModel* model_ = nullptr;
    std::optional<solver::Query> query_;
    bool placed_ = false;
    bool focusOnValue_ = false;
};
