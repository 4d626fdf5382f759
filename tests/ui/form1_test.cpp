// The main window driven as a user drives it: keys typed into the real
// controls, label texts read back. The separator is a comma (see qtmain).
#include "mainwindow_test.h"
#include "calc/figures.h"
#include "ui/controls.h"

#include <cstdlib>
#include <vector>


namespace {

class MainWindow : public MainWindowTest {
protected:
    // Typing over the whole text, as after entering the field with Tab.
    void typeInto(const char* name, const QString& keys) {
        QWidget* target = control(name);
        if (auto* combo = qobject_cast<ui::ComboBox*>(target)) {
            combo->setFocus();
            combo->lineEdit()->selectAll();
        } else if (auto* spin = qobject_cast<ui::SpinEdit*>(target)) {
            target = spin->lineEdit();
            target->setFocus();
            spin->lineEdit()->selectAll();
        } else {
            target->setFocus();
            qobject_cast<QLineEdit*>(target)->selectAll();
        }
        QTest::keyClicks(target, keys);
    }
    void clearField(const char* name) {
        typeInto(name, "");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    }
    void setTimer(const QString& clock, const QString& prescaler) {
        typeInto("czest", clock);
        typeInto("presk", prescaler);
    }
    void slideTo(int duty) {
        auto* slider = control<ui::TrackBar>("TrackBar1");
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        for (int i = 0; i < duty; ++i)
            QTest::keyClick(slider, Qt::Key_Right);
    }
};

TEST_F(MainWindow, StartUpFigures) {
    const struct {
        const char* name;
        const char* text;
    } rows[] = {
        {"Label1", "3906 Hz"},
        {"Label15", "1961 Hz"},
        {"Label2", "Licznik zwiększany co 1 us."},
        {"Label27", "Maksymalnie w NORMAL MODE: 256 us."},
        {"Label29", "Częstotliwość Timera : 1000 kHz"},
        {"Label28", "W NORMAL MODE TCNTx = 255"},
        {"Label30", "W CTC MODE OCRx = 0"},
        {"Label25", "1953,125 Hz"},
        {"Label38", "250000 Hz"},
        {"Label41", "499999"},
        {"Label31", "0 ms"},
        {"Label32", " - 0x00"},
        {"Label36", "0 ms"},
        {"Label3", "OCRx = -1  - 0xFFFFFF"},
        {"Label4", "OCRx = 255  - 0xFF"},
        {"Label13", "0 %"},
        {"Label21", "OCRx = 0  - 0x00"},
        {"Label22", "OCRx = 255  - 0xFF"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(label(row.name), QString::fromUtf8(row.text)) << row.name;
    EXPECT_TRUE(messages.shown.isEmpty());
    const auto& state = form.state();
    EXPECT_EQ(state.prescaler, 1);
    EXPECT_EQ(state.clockHz, 1000000);
    EXPECT_EQ(state.timeUnitFactor, 0.000001);
    EXPECT_EQ(state.tickPeriod, 0.000001);
}

TEST_F(MainWindow, PwmFrequenciesForClockAndPrescaler) {
    const struct {
        const char *clock, *prescaler, *fast, *phase;
    } rows[] = {
        {"10", "1", "39062 Hz", "19608 Hz"},
        {"16", "8", "7812 Hz", "3922 Hz"},
        {"1,", "1", "4688 Hz", "2353 Hz"},
        {"9", "8", "4688 Hz", "2353 Hz"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.clock);
        setTimer(row.clock, row.prescaler);
        EXPECT_EQ(label("Label1"), row.fast);
        EXPECT_EQ(label("Label15"), row.phase);
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainWindow, PreloadAndCompareForAWantedInterval) {
    const struct {
        const char *clock, *prescaler, *time, *unit, *preload, *ocr;
    } rows[] = {
        {"1 ", "1", "1", "u", "255  - 0xFF", "0  - 0x00"},
        {"1 ", "8", "1", "m", "131  - 0x83", "124  - 0x7C"},
        {"1,", "1", "1", "u", "254,8  - 0xFF", "0,2  - 0x00"},
        {"1 ", "1", "1", "m", "-744  - 0xFFFFFD18", "999  - 0x3E7"},
        {"16", "1024", "10", "m", "99,75  - 0x64", "155,25  - 0x9B"},
        {"1 ", "8", "1", "u", "255,875  - 0x100", "-0,875  - 0xFFFFFFFF"},
        {"4", "8", "1", "u", "255,5  - 0x100", "-0,5  - 0x00"},
        {"12", "8", "1", "u", "254,5  - 0xFF", "0,5  - 0x00"},
        {"8", "32", "1", "m", "5,99999999999998  - 0x06", "249  - 0xF9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.clock) + "/" + row.prescaler + " " + row.time + row.unit);
        setTimer(row.clock, row.prescaler);
        typeInto("Edit1", row.time);
        typeInto("wielkosc", row.unit);
        EXPECT_EQ(label("Label28"), QString("W NORMAL MODE TCNTx = ") + row.preload);
        EXPECT_EQ(label("Label30"), QString("W CTC MODE OCRx = ") + row.ocr);
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainWindow, InterruptPeriodsForARegisterValue) {
    const struct {
        const char *clock, *prescaler, *value, *hex, *normal, *ctc;
    } rows[] = {
        {"1 ", "1", "0", "00", "0,256 ms", "0,001 ms"},
        {"1 ", "1", "100", "64", "0,156 ms", "0,101 ms"},
        {"1,", "1024", "0", "00", "218,4533 ms", "0,853333333333333 ms"},
        {"20", "1", "255", "FF", "5E-5 ms", "0,0128 ms"},
        {"1,", "8", "100", "64", "1,04 ms", "0,673333333333333 ms"},
        {"1,", "8", "0", "00", "1,706666 ms", "0,00666666666666667 ms"},
        {"20", "1024", "300", "12C", "-2,2528 ms", "15,4112 ms"},
        {"12", "1", "255", "FF", "8,333E-5 ms", "0,0213333333333333 ms"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.clock) + "/" + row.prescaler + " v " + row.value);
        setTimer(row.clock, row.prescaler);
        typeInto("SpinEdit1", row.value);
        EXPECT_EQ(label("Label32"), QString(" - 0x") + row.hex);
        EXPECT_EQ(label("Label31"), row.normal);
        EXPECT_EQ(label("Label36"), row.ctc);
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainWindow, SquareWaves) {
    const struct {
        const char *clock, *prescaler, *ocr, *normal, *ctc;
    } rows[] = {
        {"1 ", "1", "1", "1953,125 Hz", "250000 Hz"},
        {"1 ", "1", "255", "1953,125 Hz", "1953,125 Hz"},
        {"1,", "1024", "255", "2,288818359375 Hz", "2,288818359375 Hz"},
        {"16", "1024", "255", "30,517578125 Hz", "30,517578125 Hz"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.clock) + "/" + row.prescaler + " ocr " + row.ocr);
        setTimer(row.clock, row.prescaler);
        typeInto("ocr", row.ocr);
        EXPECT_EQ(label("Label25"), row.normal);
        EXPECT_EQ(label("Label38"), row.ctc);
    }
}

TEST_F(MainWindow, CompareValueForAWantedFrequency) {
    const struct {
        const char *clock, *prescaler, *frequency, *unit, *ocr;
    } rows[] = {
        {"1 ", "1", "1", "H", "499999"},
        {"1 ", "1", "1", "k", "499"},
        {"16", "64", "1000", "H", "124"},
        {"20", "1", "7", "H", "1428570,42857143"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.clock) + "/" + row.prescaler + " " + row.frequency + row.unit);
        setTimer(row.clock, row.prescaler);
        typeInto("Edit2", row.frequency);
        typeInto("ComboBox1", row.unit);
        EXPECT_EQ(label("Label41"), row.ocr);
    }
}

TEST_F(MainWindow, PwmCompareValuesForADuty) {
    const struct {
        int duty;
        const char *fastNon, *fastInv, *phaseNon, *phaseInv;
    } rows[] = {
        {0, "-1  -  0xFFFFFFFF", "255  -  0xFF", "0  -  0x00", "255  -  0xFF"},
        {30, "76  -  0x4C", "178  -  0xB2", "76  -  0x4C", "178  -  0xB2"},
        {50, "127  -  0x7F", "127  -  0x7F", "128  -  0x80", "128  -  0x80"},
        {100, "255  -  0xFF", "-1  -  0xFFFFFFFF", "255  -  0xFF", "0  -  0x00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.duty);
        slideTo(row.duty);
        EXPECT_EQ(label("Label3"), QString("OCRx = ") + row.fastNon);
        EXPECT_EQ(label("Label4"), QString("OCRx = ") + row.fastInv);
        EXPECT_EQ(label("Label13"), QString::number(row.duty) + " %");
        EXPECT_EQ(label("Label21"), QString("OCRx = ") + row.phaseNon);
        EXPECT_EQ(label("Label22"), QString("OCRx = ") + row.phaseInv);
        EXPECT_EQ(form.state().dutyPercent, row.duty);
        EXPECT_EQ(form.state().ocrNonInverted, QString(row.phaseNon).section(' ', 0, 0).toDouble());
        EXPECT_EQ(form.state().ocrInverted, QString(row.phaseInv).section(' ', 0, 0).toDouble());
    }
}

TEST_F(MainWindow, ZeroClockStopsAtTheTickAfterThePwmFrequencies) {
    typeInto("czest", "0");
    EXPECT_EQ(label("Label1"), "0 Hz");
    EXPECT_EQ(label("Label15"), "0 Hz");
    EXPECT_EQ(label("Label2"), QString::fromUtf8("Licznik zwiększany co 1 us."));
    EXPECT_EQ(label("Label25"), "1953,125 Hz");
    EXPECT_EQ(messages.shown, QStringList{"error: Floating point division by zero."});
    EXPECT_EQ(form.state().clockHz, 0);
}

TEST_F(MainWindow, TypedClockThatIsNotAnIntegerChangesNothing) {
    auto* czest = control<ui::ComboBox>("czest");
    czest->setFocus();
    czest->lineEdit()->end(false);
    QTest::keyClick(czest, Qt::Key_Backspace);
    EXPECT_EQ(czest->currentText(), "1 MH");
    EXPECT_EQ(messages.shown, QStringList{"error: '1 MH' is not a valid integer value."});
    EXPECT_EQ(form.state().clockHz, 1000000);
    EXPECT_EQ(label("Label28"), "W NORMAL MODE TCNTx = 255");
    QTest::keyClick(czest, Qt::Key_Backspace);
    EXPECT_EQ(messages.shown.size(), 2);
}

TEST_F(MainWindow, TypedPrescalerKeepsThePreviousDivisor) {
    typeInto("presk", "8");
    ASSERT_EQ(form.state().prescaler, 8);
    typeInto("presk", "48");
    EXPECT_EQ(control<ui::ComboBox>("presk")->currentText(), "48");
    EXPECT_EQ(form.state().prescaler, 8);
    EXPECT_EQ(label("Label1"), "488 Hz");
}

TEST_F(MainWindow, TypedClockRecalculatesOnEveryKey) {
    typeInto("czest", "3686400");
    EXPECT_EQ(form.state().clockHz, 3686400);
    EXPECT_EQ(label("Label1"), "14400 Hz");
    EXPECT_EQ(label("Label29"), QString::fromUtf8("Częstotliwość Timera : 3686,4 kHz"));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainWindow, IntervalThatIsNotANumberFallsBackToOne) {
    typeInto("wielkosc", "m");
    typeInto("Edit1", "x");
    EXPECT_EQ(messages.shown, QStringList{QString::fromUtf8("message: Podana wartość nie jest liczbą !")});
    EXPECT_EQ(control<QLineEdit>("Edit1")->text(), "1");
    EXPECT_EQ(label("Label28"), "W NORMAL MODE TCNTx = -744  - 0xFFFFFD18");
    EXPECT_EQ(form.state().timeValue, 1.0);
}

TEST_F(MainWindow, EmptiedFieldsGetOneBackSilently) {
    typeInto("Edit1", "5");
    clearField("Edit1");
    EXPECT_EQ(control<QLineEdit>("Edit1")->text(), "1");
    EXPECT_EQ(label("Label28"), "W NORMAL MODE TCNTx = 255  - 0xFF");
    typeInto("Edit2", "5");
    clearField("Edit2");
    EXPECT_EQ(control<QLineEdit>("Edit2")->text(), "1");
    EXPECT_EQ(label("Label41"), "499999");
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainWindow, IntervalTooLargeForADouble) {
    typeInto("Edit1", "1E400");
    EXPECT_EQ(messages.shown.last(), QString::fromUtf8("message: Podana wartość nie jest liczbą !"));
    EXPECT_EQ(control<QLineEdit>("Edit1")->text(), "1");
}

TEST_F(MainWindow, IntervalBeyondTheSixtyFourBitRange) {
    typeInto("Edit1", "1E300");
    EXPECT_EQ(messages.shown.last(), "error: Invalid floating point operation.");
    EXPECT_EQ(form.state().timeValue, 1e300);
}

TEST_F(MainWindow, FrequencyErrors) {
    typeInto("Edit2", "x");
    EXPECT_EQ(messages.shown, QStringList{QString::fromUtf8("message: Błędnie wprowadzona wartość!")});
    EXPECT_EQ(control<QLineEdit>("Edit2")->text(), "1");
    EXPECT_EQ(label("Label41"), "499999");
    messages.shown.clear();
    typeInto("Edit2", "0");
    EXPECT_EQ(messages.shown, QStringList{"error: Floating point division by zero."});
    EXPECT_EQ(label("Label41"), "499999");
}

TEST_F(MainWindow, LoneMinusInTheRegisterValue) {
    typeInto("SpinEdit1", "5");
    typeInto("SpinEdit1", "-");
    EXPECT_EQ(messages.shown, QStringList{QString::fromUtf8("message: Błędnie wprowadzona wartość !")});
    EXPECT_EQ(label("Label32"), " - 0x00");
    EXPECT_EQ(label("Label31"), "0,256 ms");
    EXPECT_EQ(label("Label36"), "0,001 ms");
}

TEST_F(MainWindow, MinusOneCompareValueDividesByZero) {
    typeInto("ocr", "2");
    typeInto("ocr", "-1");
    EXPECT_EQ(control<ui::SpinEdit>("ocr")->text(), "-1");
    EXPECT_EQ(messages.shown, (QStringList{QString::fromUtf8("message: Błędnie wprowadzona wartość !"),
                                           "error: Floating point division by zero."}));
    EXPECT_EQ(label("Label38"), "250000 Hz");
}

TEST_F(MainWindow, ClockChangeWithABadRegisterValueFallsBackToTheRoundedCompare) {
    typeInto("SpinEdit1", "-");
    messages.shown.clear();
    typeInto("presk", "8");
    EXPECT_EQ(messages.shown, QStringList{QString::fromUtf8("message: Błędnie wprowadzona wartość !")});
    // Round(1 / 8 - 1) = -1 for Label36, the minimum 0 for Label31.
    EXPECT_EQ(label("Label32"), " - 0xFFFFFFFF");
    EXPECT_EQ(label("Label31"), "2,048 ms");
    EXPECT_EQ(label("Label36"), "0 ms");
}

TEST_F(MainWindow, UnclampedRegisterValueUntilFocusLeaves) {
    typeInto("SpinEdit1", "999");
    EXPECT_EQ(label("Label32"), " - 0x3E7");
    control<QLineEdit>("Edit1")->setFocus();
    EXPECT_EQ(control<ui::SpinEdit>("SpinEdit1")->text(), "255");
    EXPECT_EQ(label("Label32"), " - 0xFF");
}

TEST_F(MainWindow, LocaleChangeRereadsTheSeparator) {
    qputenv("LC_ALL", "C");
    QEvent change(QEvent::LocaleChange);
    QApplication::sendEvent(&form, &change);
    typeInto("ocr", "255");
    EXPECT_EQ(label("Label38"), "1953.125 Hz");
    qputenv("LC_ALL", "pl_PL.UTF-8");
    QApplication::sendEvent(&form, &change);
    typeInto("ocr", "254");
    typeInto("ocr", "255");
    EXPECT_EQ(label("Label38"), "1953,125 Hz");
}

}  // namespace

// What avrtimer-calc figures prints is what the window shows for the same
// inputs, digit for digit.
TEST_F(MainWindow, FiguresWithoutTheWindowAreTheLabelTexts) {
    struct Inputs {
        const char *clock, *prescaler;
        std::int32_t hz, divisor;
        const char* interval;
        const char* timeUnit;
        int timeIndex;
        const char *reg, *ocr, *frequency, *frequencyUnit;
        int frequencyIndex, duty;
    } rows[] = {
        {"16", "64", 16000000, 64, "1", "m", 1, "100", "249", "38", "k", 1, 30},
        {"3686400", "1024", 3686400, 1024, "1,5", "s", 2, "0", "1", "7", "H", 0, 50},
        {"12", "1", 12000000, 1, "8,5", "u", 0, "255", "128", "1000", "H", 0, 100},
    };
    const struct {
        const char *figure, *label, *format;
    } places[] = {
        {"fast_pwm_hz", "Label1", "%1 Hz"},
        {"phase_pwm_hz", "Label15", "%1 Hz"},
        {"tick_us", "Label2", "Licznik zwiększany co %1 us."},
        {"normal_span_us", "Label27", "Maksymalnie w NORMAL MODE: %1 us."},
        {"timer_khz", "Label29", "Częstotliwość Timera : %1 kHz"},
        {"normal_square_wave_hz", "Label25", "%1 Hz"},
        {"tcnt_preload", "Label28", "W NORMAL MODE TCNTx = %1  - 0x%2"},
        {"ctc_ocr", "Label30", "W CTC MODE OCRx = %1  - 0x%2"},
        {"register", "Label32", " - 0x%2"},
        {"normal_interrupt_ms", "Label31", "%1 ms"},
        {"ctc_interrupt_ms", "Label36", "%1 ms"},
        {"ctc_square_wave_hz", "Label38", "%1 Hz"},
        {"ocr_for_frequency", "Label41", "%1"},
        {"fast_pwm_ocr_non_inverted", "Label3", "OCRx = %1  -  0x%2"},
        {"fast_pwm_ocr_inverted", "Label4", "OCRx = %1  -  0x%2"},
        {"phase_pwm_ocr_non_inverted", "Label21", "OCRx = %1  -  0x%2"},
        {"phase_pwm_ocr_inverted", "Label22", "OCRx = %1  -  0x%2"},
    };
    for (const Inputs& row : rows) {
        SCOPED_TRACE(row.clock);
        setTimer(row.clock, row.prescaler);
        typeInto("Edit1", row.interval);
        typeInto("wielkosc", row.timeUnit);
        typeInto("SpinEdit1", row.reg);
        typeInto("ocr", row.ocr);
        typeInto("Edit2", row.frequency);
        typeInto("ComboBox1", row.frequencyUnit);
        slideTo(row.duty);
        const std::vector<calc::Figure> figures = calc::windowFigures(
            {row.hz, row.divisor, calc::TypedNumber{row.interval, row.timeIndex}, std::atoi(row.reg),
             std::atoi(row.ocr), calc::TypedNumber{row.frequency, row.frequencyIndex}, row.duty},
            ",");
        ASSERT_EQ(figures.size(), std::size(places));
        for (std::size_t i = 0; i < figures.size(); ++i) {
            ASSERT_EQ(figures[i].name, places[i].figure);
            const QString shown = QString::fromUtf8(places[i].format)
                                      .replace("%1", QString::fromStdString(figures[i].text))
                                      .replace("%2", QString::fromStdString(figures[i].hex));
            EXPECT_EQ(label(places[i].label), shown) << places[i].figure;
        }
    }
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join("\n").toStdString();
}
