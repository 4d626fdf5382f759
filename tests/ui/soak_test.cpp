// A long seeded run of random user actions over every input of the live
// main window. After each action the window must still hold only texts the
// number rules can produce, show only the program's own messages, and keep
// finite working values. AVRTIMER_SOAK_ACTIONS and AVRTIMER_SOAK_SEED
// lengthen or replay a run; a failure prints the seed and the action.
#include "mainwindow_test.h"
#include "ui/controls.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSet>


#include <cmath>
#include <cstdlib>
#include <random>

namespace {

const QString number = R"((-?\d+(,\d+)?(E-?\d+)?|-?INF|NAN))";
const QString hexDigits = R"([0-9A-F]{2,8})";

QRegularExpression whole(const QString& pattern) {
    return QRegularExpression("^(" + pattern + ")$");
}

// What each result label may read: the texts its handlers write, or its
// design text where the handlers leave it until its input changes.
const std::vector<std::pair<const char*, QRegularExpression>>& labelRules() {
    static const std::vector<std::pair<const char*, QRegularExpression>> rules{
        {"Label1", whole(number + " Hz")},
        {"Label15", whole(number + " Hz")},
        {"Label2", whole(QString::fromUtf8("Licznik zwiększany co ") + number + R"( us\.)")},
        {"Label27", whole("Maksymalnie w NORMAL MODE: " + number + R"( us\.)")},
        {"Label29", whole(QString::fromUtf8("Częstotliwość Timera : ") + number + " kHz")},
        {"Label28", whole("W NORMAL MODE TCNTx = " + number + "(  - 0x" + hexDigits + ")?")},
        {"Label30", whole("W CTC MODE OCRx = " + number + "(  - 0x" + hexDigits + ")?")},
        {"Label25", whole(number + " Hz")},
        {"Label38", whole(number + " Hz")},
        {"Label41", whole(number)},
        {"Label31", whole(R"([-0-9,E]{1,8} ms|-?\d(,\d*)?E-?\d+ ms)")},
        {"Label32", whole(" - 0x" + hexDigits)},
        {"Label36", whole(number + " ms")},
        {"Label13", whole(R"(\d{1,3} %)")},
        {"Label3", whole("OCRx = " + number + "  -  0x" + hexDigits + "|OCRx = -1  - 0xFFFFFF")},
        {"Label4", whole("OCRx = " + number + "  -  0x" + hexDigits + "|OCRx = 255  - 0xFF")},
        {"Label21", whole("OCRx = " + number + "  -  0x" + hexDigits + "|OCRx = 0  - 0x00")},
        {"Label22", whole("OCRx = " + number + "  -  0x" + hexDigits + "|OCRx = 255  - 0xFF")},
    };
    return rules;
}

bool isProgramMessage(const QString& text) {
    static const QRegularExpression allowed(whole(
        QString::fromUtf8("message: (Podana wartość nie jest liczbą !|Błędnie wprowadzona wartość !|Błędnie wprowadzona wartość!)|") +
        "error: (Floating point division by zero\\.|Invalid floating point operation\\.|Floating point overflow\\.|"
        "'.*' is not a valid integer value\\.)"));
    return allowed.match(text).hasMatch();
}

class Soak {
public:
    Soak(ui::TForm1& form, unsigned seed) : form_(form), random_(seed) {
        for (const char* name : {"czest", "presk", "wielkosc", "ComboBox1"})
            combos_.push_back(form.findChild<ui::ComboBox*>(name));
        for (const char* name : {"SpinEdit1", "ocr"})
            spins_.push_back(form.findChild<ui::SpinEdit*>(name));
        for (const char* name : {"Edit1", "Edit2"})
            edits_.push_back(form.findChild<QLineEdit*>(name));
        slider_ = form.findChild<ui::TrackBar*>("TrackBar1");
    }

    // One random action; returns what it did, for the failure message.
    QString act() {
        switch (pick(8)) {
        case 0: return typeKey(anyField());
        case 1: return typeKey(anyField());
        case 2: return paste(anyField());
        case 3: return key(anyField(), Qt::Key_Backspace, "Backspace");
        case 4: return stepCombo();
        case 5: return stepSpin();
        case 6: return moveSlider();
        default: return moveFocus();
        }
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    QWidget* anyField() {
        const int i = pick(8);
        if (i < 4)
            return combos_[i];
        if (i < 6)
            return spins_[i - 4]->lineEdit();
        return edits_[i - 6];
    }

    QString typeKey(QWidget* target) {
        static const QString alphabet = QString::fromUtf8("0123456789012345678,.+-E$ xaMHzł");
        const QString ch = alphabet.mid(pick(int(alphabet.size())), 1);
        target->setFocus();
        QTest::sendKeyEvent(QTest::KeyAction::Click, target, Qt::Key_unknown, ch, Qt::NoModifier);
        return "type '" + ch + "' into " + name(target);
    }

    QString paste(QWidget* target) {
        static const QStringList texts{"", "0", "1", "-1", "255", "256", "999", "3686400", "2147483647",
                                       "-2147483648", "$FF", "0x10", "1E300", "1E400", "1E-400", "1E4999",
                                       ",5", "0,0000001", "99999999999999999999999", " 12 ", "-", "+", "E",
                                       "1,5E3", "7", "1000"};
        const QString text = texts[pick(int(texts.size()))];
        QGuiApplication::clipboard()->setText(text);
        target->setFocus();
        if (pick(2) == 0)
            QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        return "paste '" + text + "' into " + name(target);
    }

    QString key(QWidget* target, Qt::Key k, const QString& what) {
        target->setFocus();
        QTest::keyClick(target, k);
        return what + " in " + name(target);
    }

    QString stepCombo() {
        ui::ComboBox* box = combos_[pick(4)];
        return key(box, pick(2) ? Qt::Key_Up : Qt::Key_Down, "Up/Down");
    }

    QString stepSpin() {
        ui::SpinEdit* spin = spins_[pick(2)];
        if (pick(2) == 0)
            return key(spin->lineEdit(), pick(2) ? Qt::Key_Up : Qt::Key_Down, "arrow key");
        auto* button = spin->findChild<QWidget*>(pick(2) ? "up" : "down");
        QTest::mouseClick(button, Qt::LeftButton);
        return "arrow button of " + spin->objectName();
    }

    QString moveSlider() {
        static const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_PageUp, Qt::Key_PageDown,
                                       Qt::Key_Home, Qt::Key_End};
        if (pick(4) == 0) {
            const QPoint from(pick(slider_->width()), slider_->height() / 3);
            const QPoint to(pick(slider_->width()), slider_->height() / 3);
            QTest::mousePress(slider_, Qt::LeftButton, Qt::NoModifier, from);
            QTest::mouseMove(slider_, to);
            QTest::mouseRelease(slider_, Qt::LeftButton, Qt::NoModifier, to);
            return "drag the slider";
        }
        return key(slider_, keys[pick(6)], "slider key");
    }

    QString moveFocus() {
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused != nullptr ? focused : &form_, pick(2) ? Qt::Key_Tab : Qt::Key_Backtab);
        return "Tab";
    }

    static QString name(QWidget* w) {
        return w->objectName().isEmpty() || w->objectName() == "edit" ? w->parentWidget()->objectName()
                                                                      : w->objectName();
    }

    ui::TForm1& form_;
    std::mt19937 random_;
    std::vector<ui::ComboBox*> combos_;
    std::vector<ui::SpinEdit*> spins_;
    std::vector<QLineEdit*> edits_;
    ui::TrackBar* slider_ = nullptr;
};

// Returns the first broken rule, or an empty text.
QString brokenRule(const ui::TForm1& form, const RecordedMessages& messages, qsizetype checkedMessages) {
    for (const auto& [labelName, rule] : labelRules()) {
        const QString text = form.findChild<QLabel*>(labelName)->text();
        if (!rule.match(text).hasMatch())
            return QString(labelName) + " reads '" + text + "'";
    }
    for (qsizetype i = checkedMessages; i < messages.shown.size(); ++i)
        if (!isProgramMessage(messages.shown[i]))
            return "message '" + messages.shown[i] + "'";
    const calc::CalculatorState& s = form.state();
    for (double v : {s.ocrNonInverted, s.ocrInverted, s.fastPwmHz, s.phasePwmHz, s.tickPeriod, s.timeUnitFactor,
                     s.timeValue})
        if (!std::isfinite(v))
            return "a working value is not finite";
    return {};
}

long environmentNumber(const char* name, long fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtol(value, nullptr, 10) : fallback;
}

TEST(Soak, RandomUserActionsKeepTheWindowConsistent) {
    const long actions = environmentNumber("AVRTIMER_SOAK_ACTIONS", 50000);
    const auto seed = static_cast<unsigned>(environmentNumber("AVRTIMER_SOAK_SEED", 20261208));
    RecordedMessages messages;
    ui::TForm1 form(messages);
    ASSERT_TRUE(showActive(form));
    Soak soak(form, seed);
    qsizetype checked = 0;
    QSet<QString> intervalTexts;
    for (long i = 0; i < actions; ++i) {
        const QString action = soak.act();
        const QString broken = brokenRule(form, messages, checked);
        ASSERT_TRUE(broken.isEmpty()) << "seed " << seed << ", action " << i << " (" << action.toStdString()
                                      << "): " << broken.toStdString();
        checked = messages.shown.size();
        intervalTexts.insert(form.findChild<QLabel*>("Label28")->text());
    }
    // The run reached the handlers: many different results, and some of
    // the rejected inputs were reported.
    EXPECT_GT(intervalTexts.size(), actions / 100);
    EXPECT_FALSE(messages.shown.isEmpty());
    RecordProperty("actions", static_cast<int>(actions));
    RecordProperty("messages", static_cast<int>(messages.shown.size()));
}

}  // namespace
