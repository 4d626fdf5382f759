#pragma once

// The main window, where a newcomer starts reading.
//
// TForm1 is built in two steps: createControls() lays out every label and
// input at its designed place, then createConnections() wires each input's
// change() to its handler. The handlers are flat sequences: read the
// controls, take each figure from the calculator core (calc/figures.h),
// which `avrtimer-calc figures` shares, and write it into its label.
//
//   FormCreate, czestChange, preskChange   full recalculation; the only ones
//                                          that read the clock and prescaler
//   Edit1Change, wielkoscChange            wanted interval -> TCNTx, OCRx
//   SpinEdit1Change                        register value -> interrupt periods
//   ocrChange                              compare value -> CTC square wave
//   Edit2Change, ComboBox1Change           wanted frequency -> OCRx
//   TrackBar1Change                        PWM duty -> four compare values
//
// Every label is a ui::PlainLabel (ui/controls.h), written through write():
// a new text is laid out once and repainted from its first changed
// character, which keeps a full recalculation's dozen label changes cheap.
//
// Additions a user of the window meets only by asking: a context menu on
// the background and the labels ("Dobór ustawień…", and on a result label
// "Kopiuj" and "Kopiuj 0x…" for its figure), and Ctrl+F, which opens the
// settings search (ui/searchwindow.h) filled in with the clock and the
// wanted interval. They change nothing the window shows.
//
// A handler that writes "1" into an edit field runs that field's handler
// nested before the write returns; each handler therefore recomputes what it
// writes from the state and the controls as they are at that moment. An
// error ends only the handler it leaves: each slot catches it and shows it
// through MessageService, so no exception crosses Qt's signal code.

#include "calc/extended.h"
#include "calc/figures.h"
#include "calc/state.h"
#include "ui/searchwindow.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QLineEdit;

namespace ui {

class BitBtn;
class ComboBox;
class MessageService;
class PlainLabel;
class SpinEdit;
class TrackBar;

// The window's controls, named as the handlers address them.
struct Form1Labels {
    PlainLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9,
        *Label10, *Label11, *Label12, *Label13, *Label14, *Label15, *Label16, *Label17, *Label18,
        *Label19, *Label20, *Label21, *Label22, *Label23, *Label24, *Label25, *Label26, *Label27,
        *Label28, *Label29, *Label30, *Label31, *Label32, *Label33, *Label34, *Label35, *Label36,
        *Label37, *Label38, *Label39, *Label40, *Label41;
};
struct Form1Inputs {
    TrackBar* TrackBar1;
    ComboBox* presk;
    BitBtn* BitBtn1;
    ComboBox* czest;
    QLineEdit* Edit1;
    ComboBox* wielkosc;
    SpinEdit* SpinEdit1;
    SpinEdit* ocr;
    QLineEdit* Edit2;
    ComboBox* ComboBox1;
    BitBtn* BitBtn2;
};

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(MessageService& messages, QWidget* parent = nullptr);

    const calc::CalculatorState& state() const { return state_; }
    // Makes a secondary window. Each is made the first time it is asked
    // for, so that start-up does not wait for windows seldom opened.
    using WindowMaker = std::function<std::unique_ptr<QWidget>()>;
    // The prescaler reference and about windows, shown by Label7 and BitBtn2.
    void setSecondaryWindows(WindowMaker prescalerWindow, WindowMaker aboutWindow);
    // The settings search, opened by Ctrl+F and the context menu.
    using SearchMaker = std::function<std::unique_ptr<SettingsSearch>()>;
    void setSettingsSearch(SearchMaker makeSearch);

public slots:
    void czestChange();
    void preskChange();
    void Edit1Change();
    void wielkoscChange();
    void SpinEdit1Change();
    void ocrChange();
    void Edit2Change();
    void ComboBox1Change();
    void TrackBar1Change();
    void Label7Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void openSettingsSearch();

protected:
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createWindow();
    void createControls();
    void createLabels();
    void createInputs();
    void createConnections();
    void createShortcuts();
    void readDecimalSeparator();
    void FormCreate();

    // Steps shared by the handlers.
    void recalculate();
    void writeTimerFigures();
    void readWantedInterval();
    calc::Extended writeWantedInterval();
    void writeInterruptPeriods(std::int32_t normalValue, std::int32_t ctcValue);
    void writeCtcSquareWave();
    double readWantedFrequency();
    void writeOcrForFrequency(double f);
    void writePwmPair(const calc::PwmCompareFigures& pair, PlainLabel* nonInvertedLabel, PlainLabel* invertedLabel);
    void fillIfEmpty(QLineEdit* edit);
    bool isResultLabel(const QWidget* widget) const;
    QString wantedIntervalUnit() const;

    void guarded(const std::function<void()>& steps);
    void write(PlainLabel* label, const QString& text);
    std::string plain(const QString& s) const { return s.toStdString(); }

    MessageService& messages_;
    calc::CalculatorState state_;
    std::string separator_ = ".";
    Form1Labels labels_{};
    Form1Inputs inputs_{};
    struct SecondaryWindow {
        WindowMaker make;
        std::unique_ptr<QWidget> window;
        void show();
    };
    SecondaryWindow prescalerWindow_;
    SecondaryWindow aboutWindow_;
    SearchMaker makeSearch_;
    std::unique_ptr<SettingsSearch> searchWindow_;
    bool placed_ = false;
};

}  // namespace ui
