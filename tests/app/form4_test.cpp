// The settings search window driven as a user drives it, from the main
// window and on its own; the main window must show and report nothing new.
#include "../ui/mainwindow_test.h"
#include "app/form4.h"
#include "app/rankingmodel.h"
#include "app/timelineview.h"
#include "ui/controls.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>

#include <ostream>

namespace {

// The main window with its settings search, as the program entry sets them up.
class SettingsSearch : public MainWindowTest {
protected:
    TForm4* search = nullptr;
    QTemporaryDir settings;

    void SetUp() override {
        // What the window remembers goes to a directory of the test's own.
        QCoreApplication::setOrganizationName(QStringLiteral("avrtimer-test"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
        form.setSettingsSearch([this] {
            auto window = std::make_unique<TForm4>();
            search = window.get();
            return window;
        });
        MainWindowTest::SetUp();
    }
    // The window outlives the fixture's settings directory: it remembers
    // its place while the directory is still there.
    void TearDown() override {
        if (search != nullptr)
            search->hide();
    }

    template <typename T>
    T* in4(const char* name) {
        T* found = search->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString cell(int row, int column) {
        const QAbstractItemModel* model = in4<QTableView>("wyniki")->model();
        return model->data(model->index(row, column)).toString();
    }
    int rows() { return in4<QTableView>("wyniki")->model()->rowCount(); }

    // Everything the main window shows: every label's and field's text.
    QStringList mainWindowTexts() {
        QStringList texts;
        for (const QLabel* label : form.findChildren<QLabel*>())
            texts << label->objectName() + "=" + label->text();
        for (const QLineEdit* edit : form.findChildren<QLineEdit*>())
            texts << edit->parent()->objectName() + "/" + edit->objectName() + "=" + edit->text();
        return texts;
    }

    void typeOver(QLineEdit* edit, const QString& keys) {
        edit->setFocus();
        edit->selectAll();
        for (const QChar key : keys)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, key, Qt::NoModifier);
    }

    void pressCtrlF(QWidget* focus) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_F, Qt::ControlModifier);
        ASSERT_NE(search, nullptr);
        EXPECT_TRUE(QTest::qWaitForWindowActive(search));
    }

    // The search at 16 MHz for `value`, from the main window.
    void search16MHz(const char* value) {
        pressCtrlF(control("Edit1"));
        typeOver(in4<QComboBox>("czest")->lineEdit(), QStringLiteral("16 MHz"));
        typeOver(in4<QLineEdit>("wartosc"), QString::fromUtf8(value));
    }
    QString status() { return in4<QLabel>("status")->text(); }
};

TEST_F(SettingsSearch, CtrlFFromEveryKindOfFieldFillsItAndChangesNothingThere) {
    const QStringList before = mainWindowTexts();
    const char* fields[] = {"czest", "Edit1", "SpinEdit1", "TrackBar1", "BitBtn2"};
    for (const char* name : fields) {
        SCOPED_TRACE(name);
        QWidget* field = control(name);
        if (auto* spin = qobject_cast<ui::SpinEdit*>(field))
            field = spin->lineEdit();
        pressCtrlF(field);
        ASSERT_NE(search, nullptr);
        EXPECT_TRUE(search->isVisible());
        EXPECT_EQ(in4<QComboBox>("czest")->currentText(), "1 MHz");
        EXPECT_EQ(in4<QLineEdit>("wartosc")->text(), "1");
        EXPECT_EQ(in4<QComboBox>("jednostka")->currentText(), "us");
        EXPECT_EQ(in4<QComboBox>("cel")->currentIndex(), 0);
        EXPECT_EQ(QApplication::focusWidget(), in4<QLineEdit>("wartosc"));
        EXPECT_EQ(in4<QLineEdit>("wartosc")->selectedText(), "1");
        EXPECT_TRUE(search->testAttribute(Qt::WA_KeyboardFocusChange));
        EXPECT_EQ(mainWindowTexts(), before);
        in4<QComboBox>("timer")->setFocus();  // left elsewhere, the next open still starts in the value
        search->hide();
        ASSERT_TRUE(showActive(form));
    }
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join('\n').toStdString();
}

TEST_F(SettingsSearch, TypedCrystalFindsItsLeastErrorAndTheMainWindowStaysAsItWas) {
    pressCtrlF(control("Edit1"));
    const QStringList before = mainWindowTexts();
    typeOver(in4<QComboBox>("czest")->lineEdit(), QStringLiteral("11,0592 MHz"));
    typeOver(in4<QLineEdit>("wartosc"), QStringLiteral("1ms"));
    EXPECT_EQ(in4<QComboBox>("jednostka")->currentText(), "ms");  // the unit typed, not the main window's us
    ASSERT_GT(rows(), 10);
    EXPECT_EQ(cell(0, 0), "Timer1");
    EXPECT_EQ(cell(0, 1), "CTC");
    EXPECT_EQ(cell(0, 2), "1");
    EXPECT_EQ(cell(0, 3), "OCR1A = 11058");
    EXPECT_EQ(cell(0, 6), "-18,0845");
    EXPECT_EQ(cell(0, 7), "+1,56253");
    for (int row = 0; row < rows(); ++row)
        ASSERT_TRUE(cell(row, 5).endsWith(" ms")) << cell(row, 5).toStdString();
    EXPECT_EQ(cell(0, 5), "0,999981916 ms");
    EXPECT_EQ(status(), "100 wierszy, żaden dokładny");
    // A late reload's error is the estimate with the latency, and its note is explained once it is picked.
    int late = 0;
    while (late < rows() && !cell(late, 8).contains('L'))
        ++late;
    ASSERT_LT(late, rows());
    EXPECT_TRUE(cell(late, 6).startsWith("~")) << cell(late, 6).toStdString();
    EXPECT_TRUE(cell(late, 7).startsWith("~")) << cell(late, 7).toStdString();
    in4<QTableView>("wyniki")->selectRow(late);
    EXPECT_TRUE(status().startsWith("L: Przy preskalerze 1 i 8")) << status().toStdString();
    EXPECT_EQ(mainWindowTexts(), before);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(SettingsSearch, SwitchingTheGoalSwitchesTheUnitsAndTheModes) {
    pressCtrlF(control("Edit1"));
    typeOver(in4<QComboBox>("czest")->lineEdit(), QStringLiteral("16 MHz"));
    in4<QComboBox>("cel")->setCurrentIndex(2);  // Częstotliwość PWM
    // The unit keeps its place: microseconds become hertz.
    EXPECT_EQ(in4<QComboBox>("jednostka")->currentText(), "Hz");
    in4<QComboBox>("jednostka")->setCurrentIndex(1);
    typeOver(in4<QLineEdit>("wartosc"), QStringLiteral("20"));
    EXPECT_EQ(cell(0, 1), "Fast PWM");
    EXPECT_EQ(cell(0, 3), "TOP = OCR1A = 799");
    EXPECT_EQ(cell(0, 6), "dokładnie");
    const QAbstractItemModel* model = in4<QTableView>("wyniki")->model();
    EXPECT_TRUE(model->data(model->index(0, 0), Qt::ToolTipRole).toString().contains("D: Fast PWM bez odwrócenia"));
    EXPECT_EQ(cell(0, 8), "D");
    in4<QComboBox>("cel")->setCurrentIndex(0);
    EXPECT_EQ(in4<QComboBox>("jednostka")->currentText(), "ms");
    EXPECT_EQ(cell(0, 3), "OCR1A = 39999");  // 20 ms: one period at prescaler 8
    EXPECT_EQ(cell(0, 4), "1");
}

// The timer list follows the chip and keeps the timer chosen where the new
// chip has it; the table holds that timer's rows alone.
TEST_F(SettingsSearch, TheTimerListIsTheChipsOwn) {
    const struct {
        const char* chip;
        const char* pick;  // chosen after the chip; null to keep the list's choice
        const char* timers;
        const char* chosen;
    } steps[] = {
        {"ATmega328P", "Timer1", "Wszystkie Timer0 Timer1 Timer2", "Timer1"},
        {"ATtiny85", nullptr, "Wszystkie Timer0 Timer1", "Timer1"},
        {"ATmega2560", "Timer5", "Wszystkie Timer0 Timer1 Timer2 Timer3 Timer4 Timer5", "Timer5"},
        {"ATtiny85", nullptr, "Wszystkie Timer0 Timer1", "Wszystkie"},
    };
    pressCtrlF(control("Edit1"));
    typeOver(in4<QComboBox>("czest")->lineEdit(), QStringLiteral("16 MHz"));
    typeOver(in4<QLineEdit>("wartosc"), QStringLiteral("100"));
    auto* timer = in4<QComboBox>("timer");
    for (const auto& step : steps) {
        SCOPED_TRACE(std::string(step.chip) + " " + step.timers);
        auto* chip = in4<QComboBox>("mikrokontroler");
        chip->setCurrentIndex(chip->findText(QString::fromUtf8(step.chip)));
        if (step.pick)
            timer->setCurrentIndex(timer->findText(QString::fromUtf8(step.pick)));
        QStringList timers;
        for (int i = 0; i < timer->count(); ++i)
            timers << timer->itemText(i);
        EXPECT_EQ(timers.join(' '), QString::fromUtf8(step.timers));
        EXPECT_EQ(timer->currentText(), QString::fromUtf8(step.chosen));
        ASSERT_GT(rows(), 0);
        if (timer->currentIndex() > 0) {
            for (int row = 0; row < rows(); ++row)
                ASSERT_EQ(cell(row, 0), timer->currentText()) << row;
        }
    }
}

struct BadValue {
    const char* name;
    const char* clock;
    const char* value;
    const char* status;
};

void PrintTo(const BadValue& row, std::ostream* out) { *out << row.name; }

class BadValues : public SettingsSearch, public testing::WithParamInterface<BadValue> {};

TEST_P(BadValues, SayWhyInTheStatusLineWithAnEmptyTableAndNoDialog) {
    pressCtrlF(control("Edit1"));
    const int width = search->width();
    typeOver(in4<QComboBox>("czest")->lineEdit(), QString::fromUtf8(GetParam().clock));
    typeOver(in4<QLineEdit>("wartosc"), QString::fromUtf8(GetParam().value));
    EXPECT_EQ(in4<QLabel>("status")->text(), QString::fromUtf8(GetParam().status));
    EXPECT_EQ(search->width(), width);
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(in4<QPushButton>("kopiujKod")->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(messages.shown.isEmpty());
}

const std::string longUnit(298, 'x');
const std::string longValue = "1 " + longUnit;
const std::string longValueStatus = "Wartość: nieznana jednostka „" + longUnit + "” (us, ms, s).";

const BadValue badValues[] = {
    {"NotANumber", "16 MHz", "abc", "Wartość: „abc” nie jest liczbą."},
    {"UnknownUnit", "16 MHzz", "1", "Zegar: nieznana jednostka „MHzz” (Hz, kHz, MHz)."},
    {"ShorterThanACycle", "16 MHz", "0,01", "Czas jest krótszy niż jeden cykl zegara."},
    {"ShorterThanTheRoutine", "16 MHz", "1", "Czas jest krótszy niż obsługa jednego przerwania (26 cykli zegara)."},
    {"Zero", "16 MHz", "0", "Wartość musi być większa od zera."},
    {"UnitOfTheOtherGoal", "16 MHz", "1 kHz",
     "Wartość: „kHz” to jednostka częstotliwości, a tu potrzebna jest jednostka czasu (us, ms, s)."},
    {"ThreeHundredCharacters", "16 MHz", longValue.c_str(), longValueStatus.c_str()},
};

INSTANTIATE_TEST_SUITE_P(Rows, BadValues, testing::ValuesIn(badValues),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsSearch, CopiesTheSelectedRowsSetupCode) {
    pressCtrlF(control("Edit1"));
    typeOver(in4<QComboBox>("czest")->lineEdit(), QStringLiteral("16 MHz"));
    typeOver(in4<QLineEdit>("wartosc"), QStringLiteral("100"));
    auto* copy = in4<QPushButton>("kopiujKod");
    EXPECT_FALSE(copy->isEnabled());
    int timer2 = 0;
    while (timer2 < rows() && cell(timer2, 0) != "Timer2")
        ++timer2;
    in4<QTableView>("wyniki")->selectRow(timer2);
    ASSERT_TRUE(copy->isEnabled());
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(copy, Qt::LeftButton);
    const QString code = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(code.contains("static inline void timer2_setup(void)")) << code.toStdString();
    EXPECT_TRUE(code.contains("ISR(TIMER2_COMPA_vect)"));
}

// Rows that differ only in the timer are one row naming each, and the
// status line counts the rows shown.
TEST_F(SettingsSearch, TwinTimersShareARowAndTheStatusCountsWhatIsShown) {
    search16MHz("250 ms");
    auto* chip = in4<QComboBox>("mikrokontroler");
    chip->setCurrentIndex(chip->findText("ATmega2560"));
    EXPECT_EQ(cell(0, 0), "Timer1, Timer3, Timer4, Timer5");
    EXPECT_EQ(cell(0, 3), "OCR1A = 62499");
    for (int row = 1; row < rows(); ++row)
        ASSERT_NE(cell(row, 3), cell(row - 1, 3).replace("OCR1", "OCR3")) << row;
    int exact = 0;
    for (int row = 0; row < rows(); ++row)
        exact += cell(row, 6) == "dokładnie";
    EXPECT_EQ(status(), QStringLiteral("%1 wierszy, %2 dokładnych").arg(rows()).arg(exact));
    EXPECT_GE(exact, 5);
}

// The window paints its cells itself, for speed; they must look exactly as
// the style paints them: bold, selected, right-aligned and cut short alike.
TEST_F(SettingsSearch, TheTablesCellsLookAsTheStylePaintsThem) {
    search16MHz("250 ms");
    auto* table = in4<QTableView>("wyniki");
    table->selectRow(2);
    table->setColumnWidth(app::RankingModel::Achieved, table->fontMetrics().averageCharWidth() * 4);
    const QImage own = table->viewport()->grab().toImage();
    QAbstractItemDelegate* delegate = table->itemDelegate();
    QStyledItemDelegate style;
    table->setItemDelegate(&style);
    const QImage styled = table->viewport()->grab().toImage();
    table->setItemDelegate(delegate);
    EXPECT_EQ(own, styled);
}

// The table's keys: Tab and Ctrl+Tab leave it with the row still picked,
// Enter, Ctrl+C and a double click copy the row's code, Ctrl+Shift+C the row.
TEST_F(SettingsSearch, TheTablesKeysCopyAndLeaveIt) {
    const char* const code = "static inline void timer1_setup(void)";
    const char* const codeCopied = "Skopiowano kod C: Timer1, CTC, OCR1A = 62499";
    const char* const rowText = "Timer1\tCTC\t64\tOCR1A = 62499\t1\t250 ms\tdokładnie\t0\t";
    const struct {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* copied;  // in the clipboard; empty for nothing copied
        const char* status;
        const char* focus;  // where the focus is then
    } keys[] = {
        {"Enter", Qt::Key_Return, Qt::NoModifier, code, codeCopied, "wyniki"},
        {"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier, code, codeCopied, "wyniki"},
        {"CtrlC", Qt::Key_C, Qt::ControlModifier, code, codeCopied, "wyniki"},
        {"CtrlShiftC", Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier, rowText,
         "Skopiowano wiersz: Timer1, CTC, OCR1A = 62499", "wyniki"},
        {"Tab", Qt::Key_Tab, Qt::NoModifier, "", "", "kopiujKod"},
        {"CtrlTab", Qt::Key_Tab, Qt::ControlModifier, "", "", "kopiujKod"},
    };
    search16MHz("250 ms");
    auto* table = in4<QTableView>("wyniki");
    for (const auto& row : keys) {
        SCOPED_TRACE(row.name);
        in4<QComboBox>("jednostka")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), table);
        table->selectRow(0);
        const QString before = status();
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(table, row.key, row.modifiers);
        const QString copied = QGuiApplication::clipboard()->text();
        if (*row.copied)
            EXPECT_TRUE(copied.contains(QString::fromUtf8(row.copied))) << copied.toStdString();
        else
            EXPECT_TRUE(copied.isEmpty()) << copied.toStdString();
        EXPECT_EQ(status(), *row.status ? QString::fromUtf8(row.status) : before);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), row.focus);
        EXPECT_TRUE(in4<QPushButton>("kopiujKod")->isEnabled());
    }
    QGuiApplication::clipboard()->clear();
    const QRect second = table->visualRect(table->model()->index(1, 3));
    ASSERT_TRUE(table->viewport()->rect().contains(second)) << table->viewport()->height();
    // As X delivers a double click: press, release, then the second press as a double click.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, second.center());
    QMouseEvent twice(QEvent::MouseButtonDblClick, second.center(), table->viewport()->mapToGlobal(second.center()),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(table->viewport(), &twice);
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(code));
    EXPECT_EQ(status(), QStringLiteral("Skopiowano kod C: %1, %2, %3").arg(cell(1, 0), cell(1, 1), cell(1, 3)));
}

// The right button on a row picks it and offers its copies.
// The menu's Save writes the row's diagram, the same SVG as avrtimer-calc
// diagram --svg, and says where; a path it cannot write is said instead.
TEST_F(SettingsSearch, TheRowsDiagramIsSavedAsSvg) {
    search16MHz("250 ms");
    in4<QTableView>("wyniki")->selectRow(0);
    ASSERT_TRUE(in4<QTableView>("wyniki")->findChild<QAction*>("zapiszDiagramAction")->isEnabled());
    QTemporaryDir dir;
    const QString path = dir.filePath("diagram.svg");
    ASSERT_TRUE(search->saveDiagram(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString svg = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(svg.contains("<svg") && svg.contains("TIMER1_COMPA_vect") && svg.trimmed().endsWith("</svg>"));
    EXPECT_EQ(in4<QLabel>("status")->toolTip(), QStringLiteral("Zapisano diagram: %1").arg(path));
    EXPECT_FALSE(search->saveDiagram(dir.filePath("no/such/folder/diagram.svg")));
    EXPECT_TRUE(in4<QLabel>("status")->toolTip().startsWith("Nie udało się zapisać"));
}

TEST_F(SettingsSearch, ARowsMenuCopiesItsCodeOrItself) {
    search16MHz("250 ms");
    auto* table = in4<QTableView>("wyniki");
    const struct {
        const char* action;
        const char* copied;
    } items[] = {
        {"kopiujKodAction", "static inline void timer1_setup(void)"},
        {"kopiujWierszAction", "Timer1\tCTC\t64\tICR1 = 62499\t1\t250 ms\tdokładnie\t0\tC"},
    };
    for (const auto& item : items) {
        SCOPED_TRACE(item.action);
        const QPoint at = table->visualRect(table->model()->index(1, 0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, table->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table->viewport(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* chosen = menu->findChild<QAction*>(QString(), Qt::FindDirectChildrenOnly);
        for (QAction* action : menu->actions())
            if (action->objectName() == item.action)
                chosen = action;
        ASSERT_NE(chosen, nullptr);
        ASSERT_EQ(chosen->objectName(), item.action);
        chosen->trigger();
        menu->close();
        EXPECT_EQ(table->selectionModel()->selectedRows().value(0).row(), 1);
        EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(QString::fromUtf8(item.copied)))
            << QGuiApplication::clipboard()->text().toStdString();
    }
}

// Esc closes an open list and leaves the window; the next Esc closes it.
TEST_F(SettingsSearch, EscClosesAnOpenListFirst) {
    const char* const lists[] = {"cel", "jednostka", "czest", "timer"};
    for (const char* name : lists) {
        SCOPED_TRACE(name);
        pressCtrlF(control("Edit1"));
        auto* list = in4<QComboBox>(name);
        list->setFocus();
        list->showPopup();
        ASSERT_TRUE(list->view()->isVisible());
        QTest::keyClick(list->view(), Qt::Key_Escape);
        EXPECT_FALSE(list->view()->isVisible());
        EXPECT_TRUE(search->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(search->isVisible());
        ASSERT_TRUE(showActive(form));
    }
}

// The clock list has the crystals of the usual baud rates and opens on the
// entry of the frequency typed, however it is written.
TEST_F(SettingsSearch, TheClockListOpensOnTheClockTyped) {
    const struct {
        const char* typed;
        const char* highlighted;
    } clocks[] = {
        {"16 MHz", "16 MHz"}, {"16MHz", "16 MHz"}, {"11059200", "11,0592 MHz"}, {"7,3728MHz", "7,3728 MHz"},
        {"14745,6 kHz", "14,7456 MHz"}, {"1 MHz", "1 MHz"},
    };
    pressCtrlF(control("Edit1"));
    auto* clock = in4<QComboBox>("czest");
    for (const auto& row : clocks) {
        SCOPED_TRACE(row.typed);
        typeOver(clock->lineEdit(), QString::fromUtf8(row.typed));
        clock->showPopup();
        EXPECT_EQ(clock->view()->currentIndex().data().toString(), QString::fromUtf8(row.highlighted));
        clock->hidePopup();
        EXPECT_EQ(clock->currentText(), QString::fromUtf8(row.typed));
    }
}

// The window comes back where and as large as it was left.
TEST_F(SettingsSearch, SizeAndPlaceAreRemembered) {
    pressCtrlF(control("Edit1"));
    const QRect available = search->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(search->frameGeometry())) << search->frameGeometry().width() << "x"
                                                             << search->frameGeometry().height() << " in "
                                                             << available.width() << "x" << available.height();
    search->setGeometry(QRect(available.topLeft() + QPoint(40, 30), search->size() - QSize(60, 40)));
    const QRect left = search->geometry();
    search->hide();
    TForm4 again;
    again.start({QStringLiteral("16 MHz"), QStringLiteral("1"), QStringLiteral("ms")});
    EXPECT_EQ(again.geometry(), left);
}

// The context menu's copy items on result labels, with the figure as shown
// and its hexadecimal form.
TEST_F(SettingsSearch, ContextMenuCopiesAResultLabelsFigure) {
    QTest::keyClicks(control("Edit1"), "0");  // "10" us: TCNTx and OCRx with their hexadecimal
    const struct {
        const char *label, *item, *copied;
    } rows[] = {
        {"Label1", "Kopiuj", "3906"},
        {"Label2", "Kopiuj", "1"},
        {"Label28", "Kopiuj", "246"},
        {"Label28", "Kopiuj 0x…", "0xF6"},
        {"Label30", "Kopiuj", "9"},
        {"Label25", "Kopiuj", "1953,125"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.label) + " " + row.item);
        QWidget* label = control(row.label);
        const QPoint at = label->geometry().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, form.mapToGlobal(at));
        QApplication::sendEvent(&form, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == QString::fromUtf8(row.item))
                chosen = action;
        ASSERT_NE(chosen, nullptr);
        chosen->trigger();
        menu->close();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(row.copied));
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

// The diagram under the table is the selected row's, drawn for a row of
// each family of modes, and empty without one.
TEST_F(SettingsSearch, TheDiagramFollowsTheSelectedRow) {
    const struct {
        int goal;  // its place in `cel`
        const char* value;
        const char* mode;
    } picks[] = {
        {0, "100ms", "CTC"},
        {0, "100ms", "NORMAL"},
        {1, "1kHz", "CTC"},
        {2, "20Hz", "Fast PWM"},
        {2, "20Hz", "Phase Correct PWM"},
        {2, "20Hz", "Phase and Frequency Correct PWM"},
    };
    pressCtrlF(control("Edit1"));
    typeOver(in4<QComboBox>("czest")->lineEdit(), QStringLiteral("16 MHz"));
    auto* table = in4<QTableView>("wyniki");
    auto* diagram = in4<app::TimelineView>("przebieg");
    // Whether anything is drawn: the corner is background, some pixel is not.
    const auto drawn = [diagram] {
        const QImage image = diagram->grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != image.pixel(0, 0))
                    return true;
        return false;
    };
    for (const auto& pick : picks) {
        SCOPED_TRACE(std::string(pick.value) + " " + pick.mode);
        in4<QComboBox>("cel")->setCurrentIndex(pick.goal);
        typeOver(in4<QLineEdit>("wartosc"), QString::fromUtf8(pick.value));
        EXPECT_EQ(diagram->timeline(), nullptr);
        EXPECT_FALSE(drawn());
        int row = 0;
        while (row < rows() && cell(row, 1) != QString::fromUtf8(pick.mode))
            ++row;
        ASSERT_LT(row, rows());
        table->selectRow(row);
        const solver::Setting& selected = qobject_cast<app::RankingModel*>(table->model())->rowAt(row)->setting;
        ASSERT_NE(diagram->timeline(), nullptr);
        EXPECT_EQ(diagram->timeline()->registers.timer, selected.timer);
        EXPECT_EQ(diagram->timeline()->registers.mode.mode, selected.mode());
        EXPECT_EQ(diagram->timeline()->registers.prescaler, selected.prescaler);
        EXPECT_TRUE(drawn());
    }
    table->clearSelection();
    EXPECT_EQ(diagram->timeline(), nullptr);
}

}  // namespace
