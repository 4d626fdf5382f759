// Latency of the main window's handlers as a user meets it: the slot, the
// label texts and sizes it writes, and the relayout and repaint that Qt
// queues for them, up to the backing store's flush on the offscreen
// platform. Each iteration first writes the handler's input control, which
// is not timed: it stands for the user's edit, and it alternates between two
// values so that every call really changes label texts.
//
// The settings search window is timed the same way: a keystroke in its
// value field searches anew and refills its table.
//
// Two floors are measured beside them: the label texts a full recalculation
// writes, written into the same labels standing alone in a bare window, once
// as plain QLabels and once as the program's own label kind. They show what
// the toolkit needs for those label changes without any calculating.
#include "app/form4.h"
#include "bench/report.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/form1.h"
#include "ui/messages.h"
#include "ui/windows.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <vector>

namespace {

using ui::TForm1;

// Any message means the handler took an error path, and its figure would
// not be the one of a normal edit.
class CountingMessages : public ui::MessageService {
public:
    void showMessage(const QString& text) override { note(text); }
    void reportError(const QString& text) override { note(text); }

    int count = 0;
    QString last;

private:
    void note(const QString& text) {
        ++count;
        last = text;
    }
};

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

struct Controls {
    ui::ComboBox *czest, *presk, *wielkosc, *ComboBox1;
    QLineEdit *Edit1, *Edit2;
    ui::SpinEdit *SpinEdit1, *ocr;
    ui::TrackBar* TrackBar1;

    bool complete() const {
        return czest && presk && wielkosc && ComboBox1 && Edit1 && Edit2 && SpinEdit1 && ocr && TrackBar1;
    }
};

Controls findControls(const TForm1& w) {
    return {w.findChild<ui::ComboBox*>("czest"),    w.findChild<ui::ComboBox*>("presk"),
            w.findChild<ui::ComboBox*>("wielkosc"), w.findChild<ui::ComboBox*>("ComboBox1"),
            w.findChild<QLineEdit*>("Edit1"),       w.findChild<QLineEdit*>("Edit2"),
            w.findChild<ui::SpinEdit*>("SpinEdit1"), w.findChild<ui::SpinEdit*>("ocr"),
            w.findChild<ui::TrackBar*>("TrackBar1")};
}

// The writes are silenced so that the handler runs once, by the direct call
// that is timed, and not also nested inside the write.
void pick(ui::ComboBox* box, int index) {
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(index);
}
void type(QLineEdit* edit, const char* text) {
    const QSignalBlocker quiet(edit);
    edit->setText(QString::fromLatin1(text));
}
void type(ui::SpinEdit* spin, const char* text) {
    const QSignalBlocker quiet(spin);
    spin->setText(QString::fromLatin1(text));
}
void slide(ui::TrackBar* bar, int value) {
    const QSignalBlocker quiet(bar);
    bar->setValue(value);
}

struct HandlerCase {
    const char* name;
    void (TForm1::*slot)();
    double targetUs;  // a full recalculation may take longer than a field's handler
    void (*writeInput)(const Controls&, bool second);
};

// Every value pair stays within what the handlers accept without a message.
const HandlerCase handlerCases[] = {
    {"czestChange", &TForm1::czestChange, 100, [](const Controls& c, bool s) { pick(c.czest, s ? 6 : 0); }},
    {"preskChange", &TForm1::preskChange, 100, [](const Controls& c, bool s) { pick(c.presk, s ? 3 : 0); }},
    {"Edit1Change", &TForm1::Edit1Change, 50, [](const Controls& c, bool s) { type(c.Edit1, s ? "250" : "1"); }},
    {"wielkoscChange", &TForm1::wielkoscChange, 50, [](const Controls& c, bool s) { pick(c.wielkosc, s ? 1 : 0); }},
    {"SpinEdit1Change", &TForm1::SpinEdit1Change, 50,
     [](const Controls& c, bool s) { type(c.SpinEdit1, s ? "200" : "10"); }},
    {"ocrChange", &TForm1::ocrChange, 50, [](const Controls& c, bool s) { type(c.ocr, s ? "100" : "1"); }},
    {"Edit2Change", &TForm1::Edit2Change, 50, [](const Controls& c, bool s) { type(c.Edit2, s ? "1000" : "1"); }},
    {"ComboBox1Change", &TForm1::ComboBox1Change, 50, [](const Controls& c, bool s) { pick(c.ComboBox1, s ? 1 : 0); }},
    {"TrackBar1Change", &TForm1::TrackBar1Change, 50, [](const Controls& c, bool s) { slide(c.TrackBar1, s ? 75 : 25); }},
};

// A label as the full recalculation leaves it, for the clock value the
// benchmark starts from and for the one it alternates with.
struct LabelChange {
    QRect geometry;
    QFont font;
    QString first, second;
};

const HandlerCase& fullRecalculation() { return handlerCases[0]; }

std::vector<LabelChange> labelsChangedBy(TForm1& window, const Controls& controls, const HandlerCase& handler) {
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    QStringList before;
    handler.writeInput(controls, false);
    (window.*handler.slot)();
    for (const QLabel* label : labels)
        before << label->text();
    handler.writeInput(controls, true);
    (window.*handler.slot)();
    std::vector<LabelChange> changes;
    for (qsizetype i = 0; i < labels.size(); ++i)
        if (labels[i]->text() != before[i])
            changes.push_back({labels[i]->geometry(), labels[i]->font(), before[i], labels[i]->text()});
    handler.writeInput(controls, false);
    (window.*handler.slot)();
    QCoreApplication::processEvents();
    return changes;
}

using Clock = std::chrono::steady_clock;

double us(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

struct CallTime {
    double slotUs = 0;    // the slot: computing, label texts, their sizes
    double eventsUs = 0;  // what it left queued: relayout, repaint, flush
};

// The timed region: the slot, then whatever it left queued.
CallTime timeOneCall(TForm1& window, const HandlerCase& handler) {
    const Clock::time_point start = Clock::now();
    (window.*handler.slot)();
    const Clock::time_point slotEnd = Clock::now();
    QCoreApplication::processEvents();
    return {us(slotEnd - start), us(Clock::now() - slotEnd)};
}

void writeInput(const Controls& controls, const HandlerCase& handler, bool second) {
    handler.writeInput(controls, second);
    // The edited control's own repaint belongs to the edit, not the handler.
    QCoreApplication::processEvents();
}

// How many labels one call repaints, going from the first value of the
// input to the second: none would mean the timed region misses the repaint
// work it is meant to include.
int labelsPaintedByOneCall(TForm1& window, const Controls& controls, const HandlerCase& handler) {
    writeInput(controls, handler, false);
    timeOneCall(window, handler);
    writeInput(controls, handler, true);
    PaintCounter counter;
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    for (QLabel* label : labels)
        label->installEventFilter(&counter);
    timeOneCall(window, handler);
    for (QLabel* label : labels)
        label->removeEventFilter(&counter);
    return counter.paints;
}

void runHandler(benchmark::State& state, TForm1& window, const Controls& controls, CountingMessages& messages,
                const HandlerCase& handler) {
    messages.count = 0;
    const int labelsPainted = labelsPaintedByOneCall(window, controls, handler);
    if (labelsPainted == 0)
        state.SkipWithError("no label was repainted after the call");
    std::vector<double> callsUs, slotsUs, eventsUs;
    // The count above left the second value in; the first call goes back.
    bool second = true;
    for (auto _ : state) {
        second = !second;
        writeInput(controls, handler, second);
        const CallTime time = timeOneCall(window, handler);
        state.SetIterationTime((time.slotUs + time.eventsUs) / 1e6);
        callsUs.push_back(time.slotUs + time.eventsUs);
        slotsUs.push_back(time.slotUs);
        eventsUs.push_back(time.eventsUs);
    }
    if (messages.count != 0)
        state.SkipWithError(("the handler showed a message: " + messages.last).toUtf8().constData());
    if (!callsUs.empty()) {
        state.counters["call_median_us"] = bench::spreadOf(callsUs).median;
        state.counters["slot_median_us"] = bench::spreadOf(slotsUs).median;
        state.counters["events_median_us"] = bench::spreadOf(eventsUs).median;
    }
    state.counters["target_us"] = handler.targetUs;
    state.counters["labels_painted"] = labelsPainted;
}

// The floor: the same label changes in a window holding nothing else, the
// labels' own writes timed as the slot and the repaint as queued events.
template <typename Label>
void runBareLabels(benchmark::State& state, const std::vector<LabelChange>& changes) {
    QWidget window;
    ui::applyFormLook(&window);
    window.resize(635, 549);
    std::vector<Label*> labels;
    for (const LabelChange& change : changes) {
        auto* label = new Label(change.first, &window);
        label->setFont(change.font);
        label->move(change.geometry.topLeft());
        label->adjustSize();
        labels.push_back(label);
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("the bare window was never exposed");
        return;
    }
    std::vector<double> callsUs, slotsUs, eventsUs;
    bool second = false;
    for (auto _ : state) {
        second = !second;
        const Clock::time_point start = Clock::now();
        for (std::size_t i = 0; i < labels.size(); ++i) {
            labels[i]->setText(second ? changes[i].second : changes[i].first);
            labels[i]->adjustSize();
        }
        const Clock::time_point written = Clock::now();
        QCoreApplication::processEvents();
        const Clock::time_point end = Clock::now();
        state.SetIterationTime(us(end - start) / 1e6);
        callsUs.push_back(us(end - start));
        slotsUs.push_back(us(written - start));
        eventsUs.push_back(us(end - written));
    }
    state.counters["call_median_us"] = bench::spreadOf(callsUs).median;
    state.counters["slot_median_us"] = bench::spreadOf(slotsUs).median;
    state.counters["events_median_us"] = bench::spreadOf(eventsUs).median;
    // No target: a floor is what the rest is compared with.
    state.counters["target_us"] = 0;
    state.counters["labels_painted"] = static_cast<double>(labels.size());
}

// A keystroke in TForm4's value field, the text alternating between two
// intervals: the search, the table refilled and repainted.
void runSearchKeystroke(benchmark::State& state) {
    TForm4 search;
    search.start({QStringLiteral("11,0592 MHz"), QStringLiteral("1"), QStringLiteral("ms")});
    if (!QTest::qWaitForWindowExposed(&search)) {
        state.SkipWithError("the settings search window was never exposed");
        return;
    }
    auto* value = search.findChild<QLineEdit*>(QStringLiteral("wartosc"));
    auto* table = search.findChild<QTableView*>(QStringLiteral("wyniki"));
    std::vector<double> callsUs;
    bool second = false;
    for (auto _ : state) {
        second = !second;
        const Clock::time_point start = Clock::now();
        value->setText(second ? QStringLiteral("1,5") : QStringLiteral("1"));
        QCoreApplication::processEvents();
        const Clock::time_point end = Clock::now();
        state.SetIterationTime(us(end - start) / 1e6);
        callsUs.push_back(us(end - start));
    }
    if (table->model()->rowCount() == 0)
        state.SkipWithError("the search found nothing");
    state.counters["call_median_us"] = bench::spreadOf(callsUs).median;
    state.counters["target_us"] = 2000;
}

// An arrow key in TForm4's table, the selection alternating between its
// first two rows: the row's timeline found and its diagram drawn.
void runSearchRowKeystroke(benchmark::State& state) {
    TForm4 search;
    search.start({QStringLiteral("11,0592 MHz"), QStringLiteral("1"), QStringLiteral("ms")});
    if (!QTest::qWaitForWindowExposed(&search)) {
        state.SkipWithError("the settings search window was never exposed");
        return;
    }
    auto* table = search.findChild<QTableView*>(QStringLiteral("wyniki"));
    table->setFocus();
    table->selectRow(0);
    QCoreApplication::processEvents();
    std::vector<double> callsUs;
    bool second = false;
    for (auto _ : state) {
        second = !second;
        const Clock::time_point start = Clock::now();
        QTest::keyClick(table, second ? Qt::Key_Down : Qt::Key_Up);
        QCoreApplication::processEvents();
        const Clock::time_point end = Clock::now();
        state.SetIterationTime(us(end - start) / 1e6);
        callsUs.push_back(us(end - start));
    }
    if (table->selectionModel()->selectedRows().isEmpty())
        state.SkipWithError("no row was selected");
    state.counters["call_median_us"] = bench::spreadOf(callsUs).median;
    state.counters["target_us"] = 2000;
}

void registerFloor(const char* name, void (*run)(benchmark::State&, const std::vector<LabelChange>&),
                   const std::vector<LabelChange>& changes) {
    benchmark::RegisterBenchmark(name, [run, &changes](benchmark::State& state) { run(state, changes); })
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // QApplication adopted the user's locale; the benchmark library writes
    // its figures with the C library, and tools read them back with '.'.
    std::setlocale(LC_NUMERIC, "C");
    ui::installFontSubstitutes();

    CountingMessages messages;
    TForm1 window(messages);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fputs("handlers_bench: the main window was never exposed\n", stderr);
        return 1;
    }
    const Controls controls = findControls(window);
    if (!controls.complete()) {
        std::fputs("handlers_bench: an input control of the main window was not found by name\n", stderr);
        return 1;
    }
    for (const HandlerCase& handler : handlerCases) {
        benchmark::RegisterBenchmark(handler.name,
                                     [&window, &controls, &messages, &handler](benchmark::State& state) {
                                         runHandler(state, window, controls, messages, handler);
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("TForm4 keystroke in wartosc", &runSearchKeystroke)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("TForm4 arrow key in wyniki", &runSearchRowKeystroke)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    const std::vector<LabelChange> changes = labelsChangedBy(window, controls, fullRecalculation());
    registerFloor("czestTextsInBareQLabels", &runBareLabels<QLabel>, changes);
    registerFloor("czestTextsInBarePlainLabels", &runBareLabels<ui::PlainLabel>, changes);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
