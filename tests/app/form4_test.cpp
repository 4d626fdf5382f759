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
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

#include <ostream>

namespace {

// The main window with its settings search, as the program entry sets them up.
class SettingsSearch : public MainWindowTest {
protected:
    TForm4* search = nullptr;

    void SetUp() override {
        form.setSettingsSearch([this] {
            auto window = std::make_unique<TForm4>();
            search = window.get();
            return window;
        });
        MainWindowTest::SetUp();
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
    }
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
        EXPECT_EQ(mainWindowTexts(), before);
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
    ASSERT_GT(rows(), 10);
    EXPECT_EQ(cell(0, 0), "Timer1");
    EXPECT_EQ(cell(0, 1), "CTC");
    EXPECT_EQ(cell(0, 2), "1");
    EXPECT_EQ(cell(0, 3), "OCR1A = 11058");
    EXPECT_EQ(cell(0, 5), "999,981916 us");
    EXPECT_EQ(cell(0, 6), "-18,0845");
    EXPECT_EQ(cell(0, 7), "+1,56253");
    EXPECT_TRUE(in4<QLabel>("status")->text().isEmpty());
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
    EXPECT_TRUE(model->data(model->index(0, 0), Qt::ToolTipRole).toString().contains("nie osiąga 0 %"));
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
    typeOver(in4<QComboBox>("czest")->lineEdit(), QString::fromUtf8(GetParam().clock));
    typeOver(in4<QLineEdit>("wartosc"), QString::fromUtf8(GetParam().value));
    EXPECT_EQ(in4<QLabel>("status")->text(), QString::fromUtf8(GetParam().status));
    EXPECT_EQ(rows(), 0);
    EXPECT_FALSE(in4<QPushButton>("kopiujKod")->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(messages.shown.isEmpty());
}

const BadValue badValues[] = {
    {"NotANumber", "16 MHz", "abc", "Wartość: „abc” nie jest liczbą."},
    {"UnknownUnit", "16 MHzz", "1", "Zegar: nieznana jednostka „MHzz” (Hz, kHz, MHz)."},
    {"ShorterThanACycle", "16 MHz", "0,01", "Czas jest krótszy niż jeden cykl zegara."},
    {"ShorterThanTheRoutine", "16 MHz", "1", "Czas jest krótszy niż obsługa jednego przerwania (26 cykli zegara)."},
    {"Zero", "16 MHz", "0", "Wartość musi być większa od zera."},
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
