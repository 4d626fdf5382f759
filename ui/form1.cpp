#include "ui/form1.h"

#include "calc/errors.h"
#include "calc/figures.h"
#include "calc/formulas.h"
#include "calc/numtext.h"
#include "ui/controls.h"
#include "ui/messages.h"
#include "ui/windows.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QShortcut>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <exception>
#include <utility>

namespace ui {
namespace {

using namespace calc;

enum class Style { Regular, Bold, Underline };

struct LabelDesign {
    PlainLabel* Form1Labels::*member;
    const char* name;
    int left, top, width, height;
    const char* caption;
    int fontPixels;  // 0 keeps the window's font
    Style style;
};

// In creation order; the captions of the result labels are the designer's
// and are replaced before the window is first shown.
const LabelDesign labelDesigns[] = {
    {&Form1Labels::Label1, "Label1", 416, 136, 40, 20, "0 Hz", 16, Style::Bold},
    {&Form1Labels::Label3, "Label3", 456, 328, 108, 13, "OCRx = -1  - 0xFFFFFF", 0, Style::Regular},
    {&Form1Labels::Label4, "Label4", 456, 344, 93, 13, "OCRx = 255  - 0xFF", 0, Style::Regular},
    {&Form1Labels::Label6, "Label6", 16, 8, 28, 13, "Zegar", 0, Style::Regular},
    {&Form1Labels::Label7, "Label7", 112, 8, 44, 13, "Preskaler", 11, Style::Underline},
    {&Form1Labels::Label8, "Label8", 352, 176, 131, 13, "Wypełnienie sygnału PWM", 0, Style::Regular},
    {&Form1Labels::Label9, "Label9", 358, 192, 17, 13, "0 %", 0, Style::Regular},
    {&Form1Labels::Label10, "Label10", 480, 192, 29, 13, "100 %", 0, Style::Regular},
    {&Form1Labels::Label11, "Label11", 352, 328, 98, 13, "Non-Inverted PWM :", 0, Style::Regular},
    {&Form1Labels::Label12, "Label12", 352, 344, 75, 13, "Inverted PWM :", 0, Style::Regular},
    {&Form1Labels::Label13, "Label13", 520, 216, 32, 20, "0 %", 16, Style::Bold},
    {&Form1Labels::Label14, "Label14", 352, 141, 56, 13, "Fast PWM :", 0, Style::Regular},
    {&Form1Labels::Label15, "Label15", 464, 107, 40, 20, "0 Hz", 16, Style::Bold},
    {&Form1Labels::Label16, "Label16", 352, 112, 103, 13, "Phase Correct PWM :", 0, Style::Regular},
    {&Form1Labels::Label17, "Label17", 352, 312, 56, 13, "Fast PWM :", 0, Style::Regular},
    {&Form1Labels::Label18, "Label18", 352, 256, 103, 13, "Phase Correct PWM :", 0, Style::Regular},
    {&Form1Labels::Label19, "Label19", 352, 272, 98, 13, "Non-Inverted PWM :", 0, Style::Regular},
    {&Form1Labels::Label20, "Label20", 352, 288, 75, 13, "Inverted PWM :", 0, Style::Regular},
    {&Form1Labels::Label21, "Label21", 456, 272, 81, 13, "OCRx = 0  - 0x00", 0, Style::Regular},
    {&Form1Labels::Label22, "Label22", 456, 288, 93, 13, "OCRx = 255  - 0xFF", 0, Style::Regular},
    {&Form1Labels::Label5, "Label5", 24, 72, 107, 24, "8-bit Timer:", 19, Style::Bold},
    {&Form1Labels::Label2, "Label2", 24, 128, 125, 16, "licznik zwiekszany co", 13, Style::Regular},
    {&Form1Labels::Label27, "Label27", 24, 152, 138, 16, "maksymalnie w liczniku", 13, Style::Regular},
    {&Form1Labels::Label28, "Label28", 24, 232, 34, 13, "TCNTx", 0, Style::Regular},
    {&Form1Labels::Label29, "Label29", 24, 104, 119, 16, "czestotliwosc timera", 13, Style::Regular},
    {&Form1Labels::Label30, "Label30", 24, 248, 28, 13, "OCRx", 0, Style::Regular},
    {&Form1Labels::Label31, "Label31", 248, 328, 22, 13, "0 ms", 0, Style::Regular},
    {&Form1Labels::Label32, "Label32", 152, 296, 32, 13, " - 0x00", 0, Style::Regular},
    {&Form1Labels::Label33, "Label33", 24, 296, 47, 13, "Wpisując ", 0, Style::Regular},
    {&Form1Labels::Label34, "Label34", 24, 328, 219, 13, "do TCNTx w NORMAL MODE przerwanie co :", 0, Style::Regular},
    {&Form1Labels::Label35, "Label35", 24, 352, 191, 13, "do OCRx w CTC MODE przerwanie co : ", 0, Style::Regular},
    {&Form1Labels::Label36, "Label36", 248, 352, 22, 13, "0 ms", 0, Style::Regular},
    {&Form1Labels::Label23, "Label23", 24, 392, 170, 13, "Generator przebiegu prostokątnego:", 0, Style::Regular},
    {&Form1Labels::Label24, "Label24", 24, 416, 162, 13, "Częstotliwość w NORMAL MODE:", 0, Style::Regular},
    {&Form1Labels::Label25, "Label25", 192, 416, 38, 13, "Label25", 0, Style::Regular},
    {&Form1Labels::Label26, "Label26", 24, 440, 90, 13, "Wpisując do OCRx", 0, Style::Regular},
    {&Form1Labels::Label37, "Label37", 184, 440, 46, 13, "uzyskamy", 0, Style::Regular},
    {&Form1Labels::Label38, "Label38", 240, 440, 38, 13, "Label38", 0, Style::Regular},
    {&Form1Labels::Label39, "Label39", 24, 464, 60, 13, "Aby uzyskać", 0, Style::Regular},
    {&Form1Labels::Label40, "Label40", 248, 464, 90, 13, "w OCRx wpisujemy", 0, Style::Regular},
    {&Form1Labels::Label41, "Label41", 344, 464, 38, 13, "Label41", 0, Style::Regular},
};

struct BevelDesign {
    const char* name;
    int left, top, width, height;
};

const BevelDesign bevelDesigns[] = {
    {"Bevel3", 16, 96, 305, 281},
    {"Bevel1", 336, 96, 273, 281},
    {"Bevel2", 16, 384, 593, 105},
};

// The designed outer size, and the client area it leaves inside the frame
// of the system the window was designed on.
constexpr QSize outerSize{643, 583};
constexpr QSize clientSize{635, 549};

// The handlers' fixed messages.
const QString notANumber = QStringLiteral("Podana wartość nie jest liczbą !");
const QString badRegisterValue = QStringLiteral("Błędnie wprowadzona wartość !");
const QString badFrequency = QStringLiteral("Błędnie wprowadzona wartość!");

QString shown(const std::string& figure) { return QString::fromStdString(figure); }

template <typename Entries>
QStringList entryTexts(const Entries& entries) {
    QStringList texts;
    for (const auto& entry : entries)
        texts << QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size()));
    return texts;
}

ComboBox* createCombo(QWidget* parent, const char* name, const QStringList& entries, int selected,
                      const char* text) {
    auto* combo = new ComboBox(parent);
    combo->setObjectName(name);
    combo->addItems(entries);
    combo->setCurrentIndex(selected);
    combo->setEditText(QString::fromUtf8(text));
    return combo;
}

QLineEdit* createEdit(QWidget* parent, const char* name, const char* text) {
    auto* edit = new QLineEdit(QString::fromUtf8(text), parent);
    edit->setObjectName(name);
    return edit;
}

SpinEdit* createSpin(QWidget* parent, const char* name, int minimum, int maximum, int value) {
    auto* spin = new SpinEdit(minimum, maximum, parent);
    spin->setObjectName(name);
    spin->setValue(value);
    return spin;
}

// The figure a result label shows, as shown, and its hexadecimal digits
// where it has them ("255,875  - 0x100" gives 255,875 and 100).
struct ShownFigure {
    QString number;
    QString hex;
};

ShownFigure shownFigure(const QString& text) {
    static const QRegularExpression hex(QStringLiteral("0x([0-9A-F]+)"));
    static const QRegularExpression number(QStringLiteral("-?[0-9]+(?:[.,][0-9]+)?(?:E-?[0-9]+)?"));
    ShownFigure figure;
    QString rest = text;
    if (const QRegularExpressionMatch m = hex.match(text); m.hasMatch()) {
        figure.hex = m.captured(1);
        rest.truncate(m.capturedStart());
    }
    if (const QRegularExpressionMatch m = number.match(rest); m.hasMatch())
        figure.number = m.captured();
    return figure;
}

}  // namespace

TForm1::TForm1(MessageService& messages, QWidget* parent) : QWidget(parent), messages_(messages) {
    createWindow();
    createControls();
    createConnections();
    readDecimalSeparator();
    guarded([this] { FormCreate(); });
}

void TForm1::setSecondaryWindows(WindowMaker prescalerWindow, WindowMaker aboutWindow) {
    prescalerWindow_ = {std::move(prescalerWindow), nullptr};
    aboutWindow_ = {std::move(aboutWindow), nullptr};
}

void TForm1::setSettingsSearch(SearchMaker makeSearch) { makeSearch_ = std::move(makeSearch); }

// ---------------------------------------------------------------- creation

void TForm1::createWindow() {
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Obliczanie wartości rejestrów 8-bitowych TIMER'ów AVR"));
    resize(clientSize);
    applyFormLook(this);
}

void TForm1::createControls() {
    for (const BevelDesign& design : bevelDesigns) {
        auto* bevel = new Bevel(this);
        bevel->setObjectName(design.name);
        bevel->setGeometry(design.left, design.top, design.width, design.height);
    }
    createLabels();
    createInputs();
}

void TForm1::createLabels() {
    for (const LabelDesign& design : labelDesigns) {
        auto* label = new PlainLabel(QString::fromUtf8(design.caption), this);
        label->setObjectName(design.name);
        label->move(design.left, design.top);
        if (design.fontPixels != 0) {
            QFont font = label->font();
            font.setPixelSize(design.fontPixels);
            font.setBold(design.style == Style::Bold);
            font.setUnderline(design.style == Style::Underline);
            label->setFont(font);
        }
        label->adjustSize();
        labels_.*design.member = label;
    }
    labels_.Label7->setCursor(Qt::PointingHandCursor);
    labels_.Label7->installEventFilter(this);
}

void TForm1::createInputs() {
    Form1Inputs& in = inputs_;
    in.TrackBar1 = new TrackBar(this);
    in.TrackBar1->setObjectName("TrackBar1");
    in.TrackBar1->setGeometry(352, 208, 150, 45);
    in.presk = createCombo(this, "presk", entryTexts(prescalerTable), -1, "1");
    in.presk->setGeometry(112, 24, 81, 21);
    in.BitBtn1 = new BitBtn(BitBtn::Kind::No, QStringLiteral("&Koniec"), this);
    in.BitBtn1->setObjectName("BitBtn1");
    in.BitBtn1->setGeometry(528, 496, 75, 25);
    in.czest = createCombo(this, "czest", entryTexts(clockTable), 0, "1 MHz");
    in.czest->setGeometry(16, 24, 81, 21);
    in.Edit1 = createEdit(this, "Edit1", "1");
    in.Edit1->setGeometry(24, 192, 49, 21);
    in.wielkosc = createCombo(this, "wielkosc", entryTexts(timeUnitTable), -1, "us");
    in.wielkosc->setGeometry(80, 192, 57, 21);
    in.SpinEdit1 = createSpin(this, "SpinEdit1", 0, 255, 0);
    in.SpinEdit1->setGeometry(80, 288, 65, 22);
    in.ocr = createSpin(this, "ocr", 1, 255, 1);
    in.ocr->setGeometry(120, 432, 57, 22);
    in.Edit2 = createEdit(this, "Edit2", "1");
    in.Edit2->setGeometry(96, 456, 81, 21);
    in.ComboBox1 = createCombo(this, "ComboBox1", entryTexts(frequencyUnitTable), -1, "Hz");
    in.ComboBox1->setGeometry(184, 456, 57, 21);
    in.BitBtn2 = new BitBtn(BitBtn::Kind::Help, QStringLiteral("&O mnie"), this);
    in.BitBtn2->setObjectName("BitBtn2");
    in.BitBtn2->setGeometry(448, 496, 75, 25);

    const QList<QWidget*> tabOrder{in.presk, in.BitBtn1, in.czest, in.TrackBar1, in.Edit1, in.wielkosc,
                                   in.SpinEdit1, in.ocr, in.Edit2, in.ComboBox1, in.BitBtn2};
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    in.presk->setFocus();
}

void TForm1::createConnections() {
    const Form1Inputs& in = inputs_;
    connect(in.czest, &ComboBox::change, this, &TForm1::czestChange);
    connect(in.presk, &ComboBox::change, this, &TForm1::preskChange);
    connect(in.wielkosc, &ComboBox::change, this, &TForm1::wielkoscChange);
    connect(in.ComboBox1, &ComboBox::change, this, &TForm1::ComboBox1Change);
    connect(in.Edit1, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
    connect(in.Edit2, &QLineEdit::textChanged, this, &TForm1::Edit2Change);
    connect(in.SpinEdit1, &SpinEdit::change, this, &TForm1::SpinEdit1Change);
    connect(in.ocr, &SpinEdit::change, this, &TForm1::ocrChange);
    connect(in.TrackBar1, &TrackBar::change, this, &TForm1::TrackBar1Change);
    connect(in.BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(in.BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    createShortcuts();
}

// A window shortcut takes Ctrl+F before the focused field sees the key, so
// no field ever gets it as text.
void TForm1::createShortcuts() {
    auto* search = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    search->setObjectName("searchShortcut");
    search->setContext(Qt::WindowShortcut);
    connect(search, &QShortcut::activated, this, &TForm1::openSettingsSearch);
}

void TForm1::readDecimalSeparator() {
    const QString separator = userDecimalSeparator();
    separator_ = separator.isEmpty() ? std::string(".") : separator.toStdString();
    inputs_.SpinEdit1->setDecimalSeparator(QString::fromStdString(separator_));
    inputs_.ocr->setDecimalSeparator(QString::fromStdString(separator_));
}

// ------------------------------------------------------------ window events

void TForm1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LocaleChange)
        readDecimalSeparator();
    QWidget::changeEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    event->accept();
    QApplication::quit();
}

// A click is the left button's: the right one opens the context menu.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == labels_.Label7 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        Label7Click();
    return QWidget::eventFilter(watched, event);
}

// The edit fields and boxes show their own edit menus; this one comes up
// on the background and the labels, and offers the figure of a result
// label under the pointer. It pops up without a nested event loop.
void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setObjectName("contextMenu");
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(QStringLiteral("Dobór ustawień…\tCtrl+F")), &QAction::triggered, this,
            &TForm1::openSettingsSearch);
    const QWidget* under = event->reason() == QContextMenuEvent::Mouse ? childAt(event->pos()) : nullptr;
    if (isResultLabel(under)) {
        const ShownFigure figure = shownFigure(static_cast<const QLabel*>(under)->text());
        const auto copy = [menu](const QString& caption, const QString& text) {
            connect(menu->addAction(caption), &QAction::triggered, menu,
                    [text] { QGuiApplication::clipboard()->setText(text); });
        };
        if (!figure.number.isEmpty() || !figure.hex.isEmpty())
            menu->addSeparator();
        if (!figure.number.isEmpty())
            copy(QStringLiteral("Kopiuj"), figure.number);
        if (!figure.hex.isEmpty())
            copy(QStringLiteral("Kopiuj 0x…"), "0x" + figure.hex);
    }
    menu->popup(event->globalPos());
    event->accept();
}

void TForm1::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - QPoint(outerSize.width() / 2, outerSize.height() / 2));
    }
    QWidget::showEvent(event);
}

// ----------------------------------------------------------------- helpers

void TForm1::guarded(const std::function<void()>& steps) {
    try {
        steps();
    } catch (const std::exception& error) {
        messages_.reportError(QString::fromStdString(errorReportText(error.what())));
    }
}

void TForm1::write(PlainLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// ------------------------------------------------------ full recalculation

void TForm1::FormCreate() {
    state_.prescaler = 1;
    state_.clockHz = 1000000;
    state_.fastPwmHz = 0;
    state_.dutyPercent = 0;
    state_.phasePwmHz = 0;
    writeTimerFigures();
    state_.timeValue = 1.0;
    state_.timeUnitFactor = 0.000001;
    readWantedInterval();
    const Extended x = wantedIntervalTicks(state_, inputs_.wielkosc->currentIndex());
    write(labels_.Label28, "W NORMAL MODE TCNTx = " + shown(tcntPreloadFigure(x, separator_).number));
    write(labels_.Label30, "W CTC MODE OCRx = " + shown(ctcOcrFigure(x, separator_).number));
    write(labels_.Label25, shown(normalSquareWaveFigure(state_, separator_)) + " Hz");
    writeCtcSquareWave();
    fillIfEmpty(inputs_.Edit2);
    writeOcrForFrequency(readWantedFrequency());
}

void TForm1::czestChange() {
    guarded([this] {
        applyClockTable(state_, inputs_.czest->currentIndex(), plain(inputs_.czest->currentText()));
        applyPrescalerTable(state_, inputs_.presk->currentIndex());
        recalculate();
    });
}

void TForm1::preskChange() {
    guarded([this] {
        applyPrescalerTable(state_, inputs_.presk->currentIndex());
        applyClockTable(state_, inputs_.czest->currentIndex(), plain(inputs_.czest->currentText()));
        recalculate();
    });
}

void TForm1::recalculate() {
    writeTimerFigures();
    write(labels_.Label25, shown(normalSquareWaveFigure(state_, separator_)) + " Hz");
    const Extended x = writeWantedInterval();
    // A register value that is not an integer falls back to the rounded
    // compare value just shown.
    std::int32_t v = wrap32(Round(ctcOcr(x)));
    try {
        v = parseInteger(plain(inputs_.SpinEdit1->text()));
    } catch (const calc::Exception&) {
        messages_.showMessage(badRegisterValue);
    }
    write(labels_.Label32, " - 0x" + shown(hex(v)));
    writeInterruptPeriods(inputs_.SpinEdit1->value(), v);
    writeCtcSquareWave();
    fillIfEmpty(inputs_.Edit2);
    writeOcrForFrequency(readWantedFrequency());
}

// PWM frequencies, tick, NORMAL-mode span and timer frequency.
void TForm1::writeTimerFigures() {
    write(labels_.Label1, shown(fastPwmFigure(state_, separator_)) + " Hz");
    write(labels_.Label15, shown(phasePwmFigure(state_, separator_)) + " Hz");
    write(labels_.Label2, "Licznik zwiększany co " + shown(tickUsFigure(state_, separator_)) + " us.");
    write(labels_.Label27, "Maksymalnie w NORMAL MODE: " + shown(normalSpanUsFigure(state_, separator_)) + " us.");
    write(labels_.Label29, "Częstotliwość Timera : " + shown(timerKHzFigure(state_, separator_)) + " kHz");
}

// ----------------------------------------------------------- field steps

// Guarded: a text that is not a number (or too large for a double) falls
// back to 1, which the nested Edit1Change writes first.
void TForm1::readWantedInterval() {
    try {
        state_.timeValue = typedNumber(plain(inputs_.Edit1->text()), separator_);
    } catch (const calc::Exception&) {
        messages_.showMessage(notANumber);
        state_.timeValue = 1.0;
        inputs_.Edit1->setText("1");
    }
}

Extended TForm1::writeWantedInterval() {
    readWantedInterval();
    const Extended x = wantedIntervalTicks(state_, inputs_.wielkosc->currentIndex());
    const FigureText preload = tcntPreloadFigure(x, separator_);
    write(labels_.Label28, "W NORMAL MODE TCNTx = " + shown(preload.number) + "  - 0x" + shown(preload.hex));
    const FigureText ocr = ctcOcrFigure(x, separator_);
    write(labels_.Label30, "W CTC MODE OCRx = " + shown(ocr.number) + "  - 0x" + shown(ocr.hex));
    return x;
}

void TForm1::writeInterruptPeriods(std::int32_t normalValue, std::int32_t ctcValue) {
    write(labels_.Label31, shown(normalInterruptMsFigure(state_, normalValue, separator_)) + " ms");
    write(labels_.Label36, shown(ctcInterruptMsFigure(state_, ctcValue, separator_)) + " ms");
}

void TForm1::writeCtcSquareWave() {
    write(labels_.Label38, shown(ctcSquareWaveFigure(state_, inputs_.ocr->value(), separator_)) + " Hz");
}

// Guarded: a text that is not a number falls back to 1 Hz, after the nested
// Edit2Change has run for the "1" written back.
double TForm1::readWantedFrequency() {
    double f = 1;
    try {
        f = typedNumber(plain(inputs_.Edit2->text()), separator_);
    } catch (const calc::Exception&) {
        messages_.showMessage(badFrequency);
        inputs_.Edit2->setText("1");
        f = 1;
    }
    return applyFrequencyUnitTable(f, inputs_.ComboBox1->currentIndex());
}

void TForm1::writeOcrForFrequency(double f) {
    write(labels_.Label41, shown(ocrForFrequencyFigure(state_, f, separator_)));
}

void TForm1::fillIfEmpty(QLineEdit* edit) {
    if (edit->text().isEmpty())
        edit->setText("1");
}

bool TForm1::isResultLabel(const QWidget* widget) const {
    const Form1Labels& l = labels_;
    const PlainLabel* results[] = {l.Label1,  l.Label15, l.Label2,  l.Label27, l.Label29, l.Label28,
                                   l.Label30, l.Label31, l.Label32, l.Label36, l.Label25, l.Label38,
                                   l.Label41, l.Label3,  l.Label4,  l.Label13, l.Label21, l.Label22};
    return widget != nullptr && std::ranges::find(results, widget) != std::end(results);
}

// The unit the window read Edit1 in last, which the unit box's text may
// not show: untouched, it reads microseconds.
QString TForm1::wantedIntervalUnit() const {
    if (state_.timeUnitFactor == 1.0)
        return QStringLiteral("s");
    return state_.timeUnitFactor == 0.001 ? QStringLiteral("ms") : QStringLiteral("us");
}

// ---------------------------------------------------------- field handlers

void TForm1::Edit1Change() {
    guarded([this] {
        fillIfEmpty(inputs_.Edit1);
        writeWantedInterval();
    });
}

void TForm1::wielkoscChange() {
    guarded([this] { writeWantedInterval(); });
}

void TForm1::SpinEdit1Change() {
    guarded([this] {
        std::int32_t v = 0;
        if (inputs_.SpinEdit1->text().isEmpty())
            inputs_.SpinEdit1->setText("1");
        try {
            v = parseInteger(plain(inputs_.SpinEdit1->text()));
        } catch (const calc::Exception&) {
            messages_.showMessage(badRegisterValue);
        }
        write(labels_.Label32, " - 0x" + shown(hex(v)));
        writeInterruptPeriods(v, v);
    });
}

void TForm1::ocrChange() {
    guarded([this] {
        if (inputs_.ocr->text().isEmpty())
            inputs_.ocr->setText("1");
        if (!isInteger(plain(inputs_.ocr->text())))
            messages_.showMessage(badRegisterValue);
        writeCtcSquareWave();
    });
}

void TForm1::Edit2Change() {
    guarded([this] {
        fillIfEmpty(inputs_.Edit2);
        writeOcrForFrequency(readWantedFrequency());
    });
}

void TForm1::ComboBox1Change() {
    guarded([this] { writeOcrForFrequency(readWantedFrequency()); });
}

// The Fast PWM pair is stored and shown first, then overwritten by the
// Phase Correct pair.
void TForm1::TrackBar1Change() {
    guarded([this] {
        state_.dutyPercent = inputs_.TrackBar1->value();
        writePwmPair(fastPwmCompareFigures(state_, separator_), labels_.Label3, labels_.Label4);
        write(labels_.Label13, shown(integerText(state_.dutyPercent)) + " %");
        writePwmPair(phasePwmCompareFigures(state_, separator_), labels_.Label21, labels_.Label22);
    });
}

void TForm1::writePwmPair(const PwmCompareFigures& pair, PlainLabel* nonInvertedLabel, PlainLabel* invertedLabel) {
    write(nonInvertedLabel, "OCRx = " + shown(pair.nonInverted.number) + "  -  0x" + shown(pair.nonInverted.hex));
    write(invertedLabel, "OCRx = " + shown(pair.inverted.number) + "  -  0x" + shown(pair.inverted.hex));
}

// ------------------------------------------------------------ other windows

void TForm1::Label7Click() {
    prescalerWindow_.show();
}

void TForm1::BitBtn1Click() { QApplication::quit(); }

void TForm1::SecondaryWindow::show() {
    if (window == nullptr && make)
        window = make();
    if (window != nullptr)
        showWindow(window.get());
}

void TForm1::BitBtn2Click() {
    aboutWindow_.show();
}

void TForm1::openSettingsSearch() {
    if (searchWindow_ == nullptr && makeSearch_)
        searchWindow_ = makeSearch_();
    if (searchWindow_ != nullptr)
        searchWindow_->start({inputs_.czest->currentText(), inputs_.Edit1->text(), wantedIntervalUnit()});
}

}  // namespace ui
