#include "app/form4.h"

#include "app/rankingmodel.h"
#include "app/searchtexts.h"
#include "app/timelineview.h"
#include "calc/state.h"
#include "solver/setupcode.h"
#include "solver/timeline.h"
#include "ui/controls.h"
#include "ui/windows.h"

#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <exception>

namespace {

using solver::Dimension;
using solver::Goal;

struct Unit {
    const char* text;
    mpq_class factor;
};

const Unit timeUnits[] = {{"us", mpq_class(1, 1000000)}, {"ms", mpq_class(1, 1000)}, {"s", 1}};
const Unit frequencyUnits[] = {{"Hz", 1}, {"kHz", 1000}, {"MHz", 1000000}};

// The goals in the order of `cel`.
const Goal goals[] = {Goal::Interval, Goal::Frequency, Goal::PwmFrequency};

constexpr int diagramDuty = 50;  // percent
constexpr int diagramPeriods = 2;

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QComboBox* createBox(QWidget* parent, const char* name, const QStringList& entries, bool editable) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(editable);
    box->addItems(entries);
    return box;
}

QLabel* createCaption(QWidget* parent, const char* name, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

TForm4::TForm4(QWidget* parent) : ui::SettingsSearch(parent, Qt::Window) {
    createWindow();
    createControls();
    createConnections();
    recalculate();
}

// ---------------------------------------------------------------- creation

void TForm4::createWindow() {
    setObjectName("Form4");
    setWindowTitle(QStringLiteral("Dobór ustawień timera"));
    ui::applyFormLook(this);
    resize(860, 460);
}

void TForm4::createControls() {
    Controls& c = c_;
    QStringList clocks;
    for (const calc::ClockEntry& entry : calc::clockTable)
        clocks << fromView(entry.text);
    c.czest = createBox(this, "czest", clocks, true);
    QStringList chips;
    for (const avr::Chip& chip : avr::chips())
        chips << fromView(chip.title);
    c.mikrokontroler = createBox(this, "mikrokontroler", chips, false);
    c.mikrokontroler->setCurrentIndex(static_cast<int>(avr::findChip(avr::defaultChip) - avr::chips().data()));
    c.cel = createBox(this, "cel", {QStringLiteral("Przerwanie co"), QStringLiteral("Przebieg prostokątny"),
                                    QStringLiteral("Częstotliwość PWM")}, false);
    c.wartosc = new QLineEdit(QStringLiteral("1"), this);
    c.wartosc->setObjectName("wartosc");
    c.jednostka = createBox(this, "jednostka", {}, false);
    fillUnits();
    c.jednostka->setCurrentIndex(1);
    c.timer = createBox(this, "timer", {}, false);
    fillTimers();

    model_ = new app::RankingModel(this);
    model_->setDecimalSeparator(ui::userDecimalSeparator());
    c.wyniki = new QTableView(this);
    c.wyniki->setObjectName("wyniki");
    c.wyniki->setModel(model_);
    c.wyniki->setSelectionBehavior(QAbstractItemView::SelectRows);
    c.wyniki->setSelectionMode(QAbstractItemView::SingleSelection);
    c.wyniki->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.wyniki->setWordWrap(false);
    // Fixed widths: sizing to the contents would make every row of the ranking.
    const int widths[] = {75, 125, 65, 180, 55, 115, 85, 85};
    for (int column = 0; column < app::RankingModel::ColumnCount; ++column)
        c.wyniki->setColumnWidth(column, widths[column]);
    c.wyniki->horizontalHeader()->setStretchLastSection(true);
    c.wyniki->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    c.wyniki->verticalHeader()->setDefaultSectionSize(c.wyniki->fontMetrics().height() + 6);

    c.przebieg = new app::TimelineView(this);
    c.przebieg->setObjectName("przebieg");

    c.status = new QLabel(this);
    c.status->setObjectName("status");
    c.kopiujKod = new QPushButton(QStringLiteral("Kopiuj kod C"), this);
    c.kopiujKod->setObjectName("kopiujKod");
    c.kopiujKod->setEnabled(false);
    c.BitBtn1 = new ui::BitBtn(ui::BitBtn::Kind::No, QStringLiteral("Zamknij"), this);
    c.BitBtn1->setObjectName("BitBtn1");

    auto* inputs = new QGridLayout;
    inputs->addWidget(createCaption(this, "czestLabel", QStringLiteral("Zegar"), c.czest), 0, 0);
    inputs->addWidget(c.czest, 0, 1);
    inputs->addWidget(createCaption(this, "mikrokontrolerLabel", QStringLiteral("Mikrokontroler"), c.mikrokontroler), 0, 2);
    inputs->addWidget(c.mikrokontroler, 0, 3);
    inputs->addWidget(createCaption(this, "timerLabel", QStringLiteral("Timer"), c.timer), 0, 4);
    inputs->addWidget(c.timer, 0, 5);
    inputs->addWidget(createCaption(this, "celLabel", QStringLiteral("Cel"), c.cel), 1, 0);
    inputs->addWidget(c.cel, 1, 1);
    inputs->addWidget(createCaption(this, "wartoscLabel", QStringLiteral("Wartość"), c.wartosc), 1, 2);
    inputs->addWidget(c.wartosc, 1, 3);
    inputs->addWidget(c.jednostka, 1, 4);
    inputs->setColumnStretch(6, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(c.status, 1);
    buttons->addWidget(c.kopiujKod);
    buttons->addWidget(c.BitBtn1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(inputs);
    layout->addWidget(c.wyniki, 1);
    layout->addWidget(c.przebieg);
    layout->addLayout(buttons);
}

void TForm4::createConnections() {
    const Controls& c = c_;
    connect(c.czest, &QComboBox::editTextChanged, this, &TForm4::czestChange);
    connect(c.mikrokontroler, &QComboBox::currentIndexChanged, this, &TForm4::mikrokontrolerChange);
    connect(c.cel, &QComboBox::currentIndexChanged, this, &TForm4::celChange);
    connect(c.wartosc, &QLineEdit::textChanged, this, &TForm4::wartoscChange);
    connect(c.jednostka, &QComboBox::currentIndexChanged, this, &TForm4::jednostkaChange);
    connect(c.timer, &QComboBox::currentIndexChanged, this, &TForm4::timerChange);
    connect(c.wyniki->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TForm4::wynikiSelectionChange);
    connect(c.kopiujKod, &QPushButton::clicked, this, &TForm4::kopiujKodClick);
    connect(c.BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
}

// The units of the goal: us, ms, s for an interrupt, Hz, kHz, MHz for the
// others, keeping the chosen position (ms becomes kHz).
void TForm4::fillUnits() {
    const int position = c_.jednostka->currentIndex();
    const QSignalBlocker quiet(c_.jednostka);
    c_.jednostka->clear();
    for (const Unit& unit : c_.cel->currentIndex() == 0 ? timeUnits : frequencyUnits)
        c_.jednostka->addItem(QString::fromLatin1(unit.text));
    c_.jednostka->setCurrentIndex(position < 0 ? 1 : position);
}

// "Wszystkie", then the chip's own timers, keeping the one chosen when the
// chip has it too.
void TForm4::fillTimers() {
    const QVariant chosen = c_.timer->currentData();
    const QSignalBlocker quiet(c_.timer);
    c_.timer->clear();
    c_.timer->addItem(QStringLiteral("Wszystkie"));
    for (const avr::Timer& timer : chosenChip().timers)
        c_.timer->addItem(QStringLiteral("Timer%1").arg(timer.number), timer.number);
    c_.timer->setCurrentIndex(chosen.isValid() ? std::max(0, c_.timer->findData(chosen)) : 0);
}

const avr::Chip& TForm4::chosenChip() const {
    return avr::chips()[static_cast<std::size_t>(std::max(0, c_.mikrokontroler->currentIndex()))];
}

// ---------------------------------------------------------------- handlers

void TForm4::start(const ui::SearchStart& from) {
    {
        const QSignalBlocker quietClock(c_.czest), quietGoal(c_.cel), quietValue(c_.wartosc), quietUnit(c_.jednostka),
            quietTimer(c_.timer);
        c_.czest->setEditText(from.clock);
        c_.cel->setCurrentIndex(0);
        fillUnits();
        c_.wartosc->setText(from.interval);
        c_.jednostka->setCurrentIndex(c_.jednostka->findText(from.unit));
        c_.timer->setCurrentIndex(0);
    }
    recalculate();
    show();
    raise();
    activateWindow();
}

void TForm4::czestChange() { recalculate(); }
void TForm4::mikrokontrolerChange() {
    fillTimers();
    recalculate();
}
void TForm4::wartoscChange() { recalculate(); }
void TForm4::jednostkaChange() { recalculate(); }
void TForm4::timerChange() { recalculate(); }

void TForm4::celChange() {
    fillUnits();
    recalculate();
}

void TForm4::wynikiSelectionChange() {
    c_.kopiujKod->setEnabled(selectedRow().has_value());
    showTimeline();
}

void TForm4::kopiujKodClick() {
    const std::optional<int> row = selectedRow();
    if (!row || !query_)
        return;
    try {
        QGuiApplication::clipboard()->setText(
            QString::fromStdString(solver::setupCode(*query_, *model_->rowAt(*row), solver::CodeStyle{})));
    } catch (const std::exception& error) {
        c_.status->setText(QString::fromLocal8Bit(error.what()));
    }
}

void TForm4::BitBtn1Click() { hide(); }

// ----------------------------------------------------------------- search

std::optional<solver::Query> TForm4::readQuery() {
    solver::Query query;
    const QString clock = c_.czest->currentText();
    const QString value = c_.wartosc->text();
    const Goal goal = goals[std::max(0, c_.cel->currentIndex())];
    const Dimension dimension = goal == Goal::Interval ? Dimension::Time : Dimension::Frequency;
    try {
        query.clockHz = solver::parseQuantity(clock.toStdString(), Dimension::Frequency).value;
    } catch (const solver::QuantityError& error) {
        c_.status->setText(app::quantityText(error, QStringLiteral("Zegar"), clock, Dimension::Frequency));
        return std::nullopt;
    }
    try {
        const solver::Quantity target = solver::parseQuantity(value.toStdString(), dimension);
        const int position = std::max(0, c_.jednostka->currentIndex());
        const Unit& unit = dimension == Dimension::Time ? timeUnits[position] : frequencyUnits[position];
        query.target = target.unit.empty() ? mpq_class(target.value * unit.factor) : target.value;
    } catch (const solver::QuantityError& error) {
        c_.status->setText(app::quantityText(error, QStringLiteral("Wartość"), value, dimension));
        return std::nullopt;
    }
    query.chip = &chosenChip();
    query.goal = goal;
    if (const QVariant timer = c_.timer->currentData(); timer.isValid())
        query.timer = timer.toInt();
    return query;
}

// Every edit searches anew; what cannot be searched empties the table and
// says why in the status line.
void TForm4::recalculate() {
    query_.reset();
    c_.kopiujKod->setEnabled(false);
    c_.przebieg->clear();
    try {
        const std::optional<solver::Query> query = readQuery();
        if (!query) {
            model_->clear();
            return;
        }
        try {
            model_->setRanking(solver::solve(*query), query->goal);
            query_ = query;
            c_.status->clear();
        } catch (const solver::QueryError& error) {
            model_->clear();
            c_.status->setText(app::problemText(error.problem(), *query));
        }
    } catch (const std::exception& error) {
        model_->clear();
        c_.status->setText(QString::fromLocal8Bit(error.what()));
    }
}

std::optional<int> TForm4::selectedRow() const {
    const QModelIndexList rows = c_.wyniki->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return rows.front().row();
}

// The diagram is one look at a row: a square duty, two periods to show one
// following the other. A row the timeline cannot follow leaves it empty.
void TForm4::showTimeline() {
    const std::optional<int> row = selectedRow();
    const solver::Row* picked = row ? model_->rowAt(*row) : nullptr;
    if (!picked || !query_) {
        c_.przebieg->clear();
        return;
    }
    try {
        c_.przebieg->setTimeline(*query_, *picked, solver::timelineOf(*query_, *picked, diagramDuty, diagramPeriods));
    } catch (const std::exception&) {
        c_.przebieg->clear();
    }
}
