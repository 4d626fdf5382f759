#include "app/form4.h"

#include "app/celldelegate.h"
#include "app/rankingmodel.h"
#include "app/searchtexts.h"
#include "app/timelineview.h"
#include "calc/state.h"
#include "cli/diagram_command.h"
#include "solver/setupcode.h"
#include "solver/timeline.h"
#include "ui/controls.h"
#include "ui/windows.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTableView>

#include <algorithm>
#include <exception>

namespace {

using solver::Dimension;
using solver::Goal;

using Unit = app::RankingModel::Unit;

const Unit timeUnits[] = {{QStringLiteral("us"), mpq_class(1, 1000000)}, {QStringLiteral("ms"), mpq_class(1, 1000)},
                          {QStringLiteral("s"), 1}};
const Unit frequencyUnits[] = {{QStringLiteral("Hz"), 1}, {QStringLiteral("kHz"), 1000}, {QStringLiteral("MHz"), 1000000}};

// The goals in the order of `cel`.
const Goal goals[] = {Goal::Interval, Goal::Frequency, Goal::PwmFrequency};

constexpr int diagramDuty = 50;  // percent
constexpr int diagramPeriods = 2;

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The main window's clocks and the crystals that divide into the usual UART
// baud rates, in one rising list.
QStringList clockEntries() {
    std::vector<calc::ClockEntry> entries(calc::clockTable.begin(), calc::clockTable.end());
    for (const calc::ClockEntry crystal : {calc::ClockEntry{"3,6864 MHz", 3686400}, calc::ClockEntry{"7,3728 MHz", 7372800},
                                           calc::ClockEntry{"11,0592 MHz", 11059200},
                                           calc::ClockEntry{"14,7456 MHz", 14745600},
                                           calc::ClockEntry{"18,432 MHz", 18432000}})
        entries.push_back(crystal);
    std::ranges::sort(entries, {}, &calc::ClockEntry::hz);
    QStringList texts;
    for (const calc::ClockEntry& entry : entries)
        texts << fromView(entry.text);
    return texts;
}

std::optional<mpq_class> frequencyOf(const QString& text) {
    try {
        return solver::parseQuantity(text.toStdString(), Dimension::Frequency).value;
    } catch (const solver::QuantityError&) {
        return std::nullopt;
    }
}

// The clock list opens on the entry of the frequency typed, however it was
// written ("16MHz", "16 000 000"), without touching the text being typed.
class ClockBox : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override {
        QComboBox::showPopup();
        const std::optional<mpq_class> typed = frequencyOf(currentText());
        for (int i = 0; typed && i < count(); ++i) {
            if (frequencyOf(itemText(i)) == typed) {
                view()->setCurrentIndex(model()->index(i, modelColumn()));
                view()->scrollTo(view()->currentIndex());
            }
        }
    }
};

// One line however long the message: what does not fit ends in "…", and the
// whole of it is the tooltip. The window never widens for it.
class StatusLine : public QLabel {
public:
    explicit StatusLine(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, area.width()));
    }
};

// Polish counts: 1 wiersz, 2–4 (22–24…) wiersze, 5–21 wierszy.
QString counted(int n, const char* one, const char* few, const char* many) {
    const bool isFew = n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14);
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : isFew ? few : many));
}

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

// Closing the program with the window open destroys it without hiding it.
TForm4::~TForm4() {
    if (isVisible())
        saveGeometryOfScreen();
}

// ---------------------------------------------------------------- creation

void TForm4::createWindow() {
    setObjectName("Form4");
    setWindowTitle(QStringLiteral("Dobór ustawień timera"));
    ui::applyFormLook(this);
}

void TForm4::createControls() {
    Controls& c = c_;
    c.czest = new ClockBox(this);
    c.czest->setObjectName("czest");
    c.czest->setEditable(true);
    c.czest->addItems(clockEntries());
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
    for (QComboBox* box : {c.czest, c.mikrokontroler, c.cel, c.jednostka, c.timer})
        box->view()->installEventFilter(this);

    model_ = new app::RankingModel(this);
    model_->setDecimalSeparator(ui::userDecimalSeparator());
    c.wyniki = new QTableView(this);
    c.wyniki->setObjectName("wyniki");
    c.wyniki->setModel(model_);
    c.wyniki->setItemDelegate(new app::CellDelegate(c.wyniki));
    c.wyniki->setSelectionBehavior(QAbstractItemView::SelectRows);
    c.wyniki->setSelectionMode(QAbstractItemView::SingleSelection);
    c.wyniki->setEditTriggers(QAbstractItemView::NoEditTriggers);
    c.wyniki->setTabKeyNavigation(false);
    c.wyniki->setWordWrap(false);
    c.wyniki->setContextMenuPolicy(Qt::CustomContextMenu);
    c.wyniki->installEventFilter(this);
    sizeColumns();

    c.kopiujKodAction = new QAction(QStringLiteral("Kopiuj &kod C"), c.wyniki);
    c.kopiujKodAction->setObjectName("kopiujKodAction");
    c.kopiujKodAction->setShortcut(QKeySequence::Copy);
    c.kopiujWierszAction = new QAction(QStringLiteral("Kopiuj &wiersz"), c.wyniki);
    c.kopiujWierszAction->setObjectName("kopiujWierszAction");
    c.kopiujWierszAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    c.zapiszDiagramAction = new QAction(QStringLiteral("&Zapisz diagram jako SVG…"), c.wyniki);
    c.zapiszDiagramAction->setObjectName("zapiszDiagramAction");
    for (QAction* action : {c.kopiujKodAction, c.kopiujWierszAction, c.zapiszDiagramAction}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        c.wyniki->addAction(action);
    }

    c.przebieg = new app::TimelineView(this);
    c.przebieg->setObjectName("przebieg");

    c.status = new StatusLine(this);
    c.status->setObjectName("status");
    c.kopiujKod = new QPushButton(QStringLiteral("Kopiuj &kod C"), this);
    c.kopiujKod->setObjectName("kopiujKod");
    c.kopiujKod->setEnabled(false);
    c.BitBtn1 = new ui::BitBtn(ui::BitBtn::Kind::No, QStringLiteral("Za&mknij"), this);
    c.BitBtn1->setObjectName("BitBtn1");

    auto* inputs = new QGridLayout;
    inputs->addWidget(createCaption(this, "czestLabel", QStringLiteral("&Zegar"), c.czest), 0, 0);
    inputs->addWidget(c.czest, 0, 1);
    inputs->addWidget(createCaption(this, "mikrokontrolerLabel", QStringLiteral("Mik&rokontroler"), c.mikrokontroler), 0, 2);
    inputs->addWidget(c.mikrokontroler, 0, 3);
    inputs->addWidget(createCaption(this, "timerLabel", QStringLiteral("&Timer"), c.timer), 0, 4);
    inputs->addWidget(c.timer, 0, 5);
    inputs->addWidget(createCaption(this, "celLabel", QStringLiteral("&Cel"), c.cel), 1, 0);
    inputs->addWidget(c.cel, 1, 1);
    inputs->addWidget(createCaption(this, "wartoscLabel", QStringLiteral("&Wartość"), c.wartosc), 1, 2);
    inputs->addWidget(c.wartosc, 1, 3);
    inputs->addWidget(createCaption(this, "jednostkaLabel", QStringLiteral("&Jednostka"), c.jednostka), 1, 4);
    inputs->addWidget(c.jednostka, 1, 5);
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

    // The inputs as they read, left to right and top to bottom, then the
    // table, then the buttons.
    const QWidget* order[] = {c.czest, c.mikrokontroler, c.timer, c.cel, c.wartosc, c.jednostka, c.wyniki, c.kopiujKod, c.BitBtn1};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
}

// Each column as wide as its heading or a typical entry in the window's
// font, so that a larger font or scale keeps every column readable. Sizing
// to the contents would lay out every row on each keystroke.
void TForm4::sizeColumns() {
    const char* const samples[] = {"Timer2 (kwarc)", "Phase Correct PWM", "1024", "TCNT1 = 65535 (przeładowanie)",
                                   "65535", "0,999981916 ms", "~+12500,0", "+1,56253", "LF"};
    const QFontMetrics cells = c_.wyniki->fontMetrics();
    const QFontMetrics headings = c_.wyniki->horizontalHeader()->fontMetrics();
    const int padding = 3 * cells.averageCharWidth();
    for (int column = 0; column < app::RankingModel::ColumnCount; ++column) {
        const QString heading = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        c_.wyniki->setColumnWidth(column, std::max(cells.horizontalAdvance(QString::fromUtf8(samples[column])),
                                                   headings.horizontalAdvance(heading)) + padding);
    }
    // Twins make the timer column the one that grows ("Timer1, Timer3, Timer4, Timer5").
    c_.wyniki->horizontalHeader()->setSectionResizeMode(app::RankingModel::Timer, QHeaderView::Stretch);
    c_.wyniki->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    c_.wyniki->verticalHeader()->setDefaultSectionSize(cells.height() + 6);
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
    connect(c.wyniki, &QTableView::doubleClicked, this, &TForm4::kopiujKodClick);
    connect(c.wyniki, &QTableView::customContextMenuRequested, this, &TForm4::wynikiMenu);
    connect(c.kopiujKod, &QPushButton::clicked, this, &TForm4::kopiujKodClick);
    connect(c.kopiujKodAction, &QAction::triggered, this, &TForm4::kopiujKodClick);
    connect(c.kopiujWierszAction, &QAction::triggered, this, &TForm4::kopiujWierszClick);
    connect(c.zapiszDiagramAction, &QAction::triggered, this, &TForm4::zapiszDiagramClick);
    connect(c.BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
}

// The units of the goal: us, ms, s for an interrupt, Hz, kHz, MHz for the
// others, keeping the chosen position (ms becomes kHz).
void TForm4::fillUnits() {
    const int position = c_.jednostka->currentIndex();
    const QSignalBlocker quiet(c_.jednostka);
    c_.jednostka->clear();
    for (const Unit& unit : c_.cel->currentIndex() == 0 ? timeUnits : frequencyUnits)
        c_.jednostka->addItem(unit.name);
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
    const bool first = !placed_;
    if (first)
        placeOnScreen();
    focusOnValue_ = true;
    show();
    // The window's frame is known only once it is shown.
    if (first)
        keepWithinScreen();
    raise();
    activateWindow();
    if (isActiveWindow())
        focusValue();
}

// Opened by a key, the window shows where the keys go: in the value, ready
// to be typed over, with the focus frame drawn. Activation gives the focus
// back to where it was, so this waits for it.
void TForm4::focusValue() {
    focusOnValue_ = false;
    c_.wartosc->setFocus(Qt::ShortcutFocusReason);
    c_.wartosc->selectAll();
    setAttribute(Qt::WA_KeyboardFocusChange);
}

bool TForm4::event(QEvent* event) {
    const bool handled = ui::SettingsSearch::event(event);
    if (event->type() == QEvent::WindowActivate && focusOnValue_)
        focusValue();
    return handled;
}

// ------------------------------------------------------------- placement

// The size and place it had on this screen when last closed, else a size
// that shows the table's columns; either way within the screen's free area.
void TForm4::placeOnScreen() {
    placed_ = true;
    const QByteArray saved = QSettings().value(geometryKey()).toByteArray();
    if (saved.isEmpty() || !restoreGeometry(saved)) {
        int columns = c_.wyniki->verticalHeader()->sizeHint().width() + 4 * c_.wyniki->frameWidth() +
                      c_.wyniki->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        for (int column = 0; column < app::RankingModel::ColumnCount; ++column)
            columns += c_.wyniki->columnWidth(column);
        const QMargins margins = layout()->contentsMargins();
        resize(columns + margins.left() + margins.right(),
               sizeHint().height() + 12 * c_.wyniki->verticalHeader()->defaultSectionSize());
    }
    keepWithinScreen();
}

void TForm4::keepWithinScreen() {
    const QRect available = screen()->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    resize(size().boundedTo(available.size() - frame));
    QRect placed = frameGeometry();
    if (!available.contains(placed)) {
        placed.moveRight(std::min(placed.right(), available.right()));
        placed.moveBottom(std::min(placed.bottom(), available.bottom()));
        placed.moveLeft(std::max(placed.left(), available.left()));
        placed.moveTop(std::max(placed.top(), available.top()));
        move(placed.topLeft());
    }
}

// Remembered only by a program that names itself for its settings, so that
// tools built on the window leave none behind.
void TForm4::saveGeometryOfScreen() const {
    if (QCoreApplication::organizationName().isEmpty())
        return;
    QSettings().setValue(geometryKey(), saveGeometry());
}

QString TForm4::geometryKey() const {
    const QScreen* s = screen();
    return QStringLiteral("Form4/geometry-%1-%2x%3")
        .arg(s->name().replace(QLatin1Char('/'), QLatin1Char('_')))
        .arg(s->size().width())
        .arg(s->size().height());
}

void TForm4::hideEvent(QHideEvent* event) {
    saveGeometryOfScreen();
    ui::SettingsSearch::hideEvent(event);
}

// ---------------------------------------------------------------- handlers

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && watched != c_.wyniki) {
        // An open list closes on Esc without claiming the key, and the
        // window's Esc, tried next, would hide the window too.
        event->accept();
    } else if (event->type() == QEvent::KeyPress && watched == c_.wyniki) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            kopiujKodClick();
            return true;
        }
        // The table takes no Tab of its own, so Ctrl+Tab leaves it as Tab does.
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && key->modifiers() & Qt::ControlModifier) {
            focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return ui::SettingsSearch::eventFilter(watched, event);
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
    const std::optional<int> row = selectedRow();
    enableRowActions(row.has_value());
    showTimeline();
    const QStringList notes = row ? model_->notesText(*row) : QStringList();
    if (notes.isEmpty())
        showRankingStatus();
    else
        say(notes.join(QStringLiteral(" ")));
}

void TForm4::kopiujKodClick() {
    const std::optional<int> row = selectedRow();
    if (!row || !query_)
        return;
    try {
        QGuiApplication::clipboard()->setText(
            QString::fromStdString(solver::setupCode(*query_, *model_->rowAt(*row), solver::CodeStyle{})));
        say(QStringLiteral("Skopiowano kod C: %1").arg(model_->rowName(*row)));
    } catch (const std::exception& error) {
        say(QString::fromLocal8Bit(error.what()));
    }
}

void TForm4::kopiujWierszClick() {
    const std::optional<int> row = selectedRow();
    if (!row)
        return;
    QGuiApplication::clipboard()->setText(model_->rowText(*row));
    say(QStringLiteral("Skopiowano wiersz: %1").arg(model_->rowName(*row)));
}

void TForm4::zapiszDiagramClick() {
    if (!selectedRow())
        return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Zapisz diagram"), QStringLiteral("diagram.svg"),
                                                      QStringLiteral("Rysunki SVG (*.svg)"));
    if (!path.isEmpty())
        saveDiagram(path);
}

bool TForm4::saveDiagram(const QString& path) {
    const std::optional<int> row = selectedRow();
    const solver::Row* picked = row ? model_->rowAt(*row) : nullptr;
    if (!picked || !query_)
        return false;
    std::string svg;
    try {
        svg = cli::diagramSvg(*query_, *picked, solver::timelineOf(*query_, *picked, diagramDuty, diagramPeriods));
    } catch (const std::exception&) {
        say(QStringLiteral("Tego wiersza nie da się narysować."));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(svg.data(), static_cast<qint64>(svg.size())) != static_cast<qint64>(svg.size())) {
        say(QStringLiteral("Nie udało się zapisać %1: %2").arg(path, file.errorString()));
        return false;
    }
    say(QStringLiteral("Zapisano diagram: %1").arg(path));
    return true;
}

// The row under the pointer becomes the selected one, and its menu offers
// what its keys do.
void TForm4::wynikiMenu(const QPoint& at) {
    const QModelIndex index = c_.wyniki->indexAt(at);
    if (!index.isValid())
        return;
    c_.wyniki->selectRow(index.row());
    auto* menu = new QMenu(this);
    menu->setObjectName("wynikiMenu");
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions({c_.kopiujKodAction, c_.kopiujWierszAction, c_.zapiszDiagramAction});
    menu->popup(c_.wyniki->viewport()->mapToGlobal(at));
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
        say(app::quantityText(error, QStringLiteral("Zegar"), clock, Dimension::Frequency));
        return std::nullopt;
    }
    try {
        const solver::Quantity target = solver::parseQuantity(value.toStdString(), dimension);
        if (!target.unit.empty()) {
            // The unit typed is the one the value is read in: the list follows.
            const QSignalBlocker quiet(c_.jednostka);
            c_.jednostka->setCurrentIndex(c_.jednostka->findText(QString::fromStdString(target.unit)));
        }
        query.target = target.unit.empty() ? mpq_class(target.value * chosenUnit().size) : target.value;
    } catch (const solver::QuantityError& error) {
        say(app::quantityText(error, QStringLiteral("Wartość"), value, dimension));
        return std::nullopt;
    }
    query.chip = &chosenChip();
    query.goal = goal;
    if (const QVariant timer = c_.timer->currentData(); timer.isValid())
        query.timer = timer.toInt();
    return query;
}

const app::RankingModel::Unit& TForm4::chosenUnit() const {
    const auto position = static_cast<std::size_t>(std::max(0, c_.jednostka->currentIndex()));
    return c_.cel->currentIndex() == 0 ? timeUnits[position] : frequencyUnits[position];
}

// Every edit searches anew; what cannot be searched empties the table and
// says why in the status line.
void TForm4::recalculate() {
    query_.reset();
    enableRowActions(false);
    c_.przebieg->clear();
    try {
        const std::optional<solver::Query> query = readQuery();
        if (!query) {
            model_->clear();
            return;
        }
        try {
            model_->setRanking(solver::solve(*query), query->goal, chosenUnit());
            query_ = query;
            showRankingStatus();
        } catch (const solver::QueryError& error) {
            model_->clear();
            say(app::problemText(error.problem(), *query));
        }
    } catch (const std::exception& error) {
        model_->clear();
        say(QString::fromLocal8Bit(error.what()));
    }
}

void TForm4::showRankingStatus() {
    if (!query_)
        return;
    const int rows = model_->rowCount();
    const int exact = model_->exactCount();
    say(QStringLiteral("%1, %2").arg(counted(rows, "wiersz", "wiersze", "wierszy"),
                                     exact == 0 ? QStringLiteral("żaden dokładny")
                                                : counted(exact, "dokładny", "dokładne", "dokładnych")));
}

// A reset model clears the selection without a word, so a new search
// disables the row's actions itself.
void TForm4::enableRowActions(bool enabled) {
    for (QAction* action : {c_.kopiujKodAction, c_.kopiujWierszAction, c_.zapiszDiagramAction})
        action->setEnabled(enabled);
    c_.kopiujKod->setEnabled(enabled);
}

void TForm4::say(const QString& text) {
    c_.status->setText(text);
    c_.status->setToolTip(text);
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
