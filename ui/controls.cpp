#include "ui/controls.h"

#include "calc/numtext.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QApplication>
#include <QKeyEvent>
#include <QGlyphRun>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <QPointer>
#include <QProxyStyle>
#include <QShortcut>
#include <QStyleFactory>
#include <QToolButton>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

namespace ui {

namespace {

// A key that puts its text into a field, as opposed to a control character,
// a navigation key or a chord with Ctrl, Alt or Meta.
bool isTypedCharacter(const QKeyEvent* event) {
    const QList<uint> text = event->text().toUcs4();
    constexpr auto chords = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return !text.isEmpty() && QChar::isPrint(text.front()) && !(event->modifiers() & chords);
}

// Alt+Up and Alt+Down open and close the list instead.
bool isEntryStep(const QKeyEvent* event) {
    constexpr auto chords = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    return (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && !(event->modifiers() & chords);
}

}  // namespace

// ---------------------------------------------------------------- ComboBox

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // Qt's completer would keep the item index stale while typing and
    // report twice per key; completion is done in keyPressEvent instead.
    setCompleter(nullptr);
    setInsertPolicy(QComboBox::NoInsert);
    // Qt would also select the entry equal to the text on Enter and when
    // the focus leaves; only the user's picks and edits select entries.
    disconnect(lineEdit(), &QLineEdit::returnPressed, this, nullptr);
    disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
    connect(lineEdit(), &QLineEdit::textEdited, this, &ComboBox::reportUserEdit);
    connect(this, &QComboBox::activated, this, &ComboBox::reportQtPick);
    connect(this, &QComboBox::highlighted, this, &ComboBox::pickHighlighted);
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

void ComboBox::showPopup() {
    highlightByKey_ = false;
    QComboBox::showPopup();
}

void ComboBox::hidePopup() {
    rememberShown();
    QComboBox::hidePopup();
}

void ComboBox::keyPressEvent(QKeyEvent* event) {
    if (view()->isVisible()) {
        // Only reached when a key is sent to the box itself; the open list
        // takes it as if it had come there, so Esc closes just the list.
        QCoreApplication::sendEvent(view(), event);
        event->accept();
    } else if (isEntryStep(event)) {
        stepEntry(event->key() == Qt::Key_Up ? -1 : 1);
        event->accept();
    } else if (isTypedCharacter(event)) {
        typeCharacter(event);
    } else {
        rememberShown();
        QComboBox::keyPressEvent(event);
    }
}

void ComboBox::wheelEvent(QWheelEvent* event) {
    rememberShown();
    QComboBox::wheelEvent(event);
}

void ComboBox::focusOutEvent(QFocusEvent* event) {
    rememberShown();
    QComboBox::focusOutEvent(event);
}

bool ComboBox::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == view() && type == QEvent::ShortcutOverride) {
        // Qt's list closes itself on Esc here without claiming the key, and
        // the window's Esc shortcut, tried right after, would then fire
        // too. The open list keeps every key from the window's shortcuts.
        event->accept();
    } else if (watched == view() && type == QEvent::KeyPress) {
        highlightByKey_ = true;
    } else if (watched == view()->viewport() && (type == QEvent::MouseMove || type == QEvent::MouseButtonPress)) {
        highlightByKey_ = false;
    }
    return QComboBox::eventFilter(watched, event);
}

void ComboBox::typeCharacter(QKeyEvent* event) {
    QLineEdit* edit = lineEdit();
    const QString kept = edit->hasSelectedText() ? edit->text().left(edit->selectionStart()) : edit->text();
    const QString typed = kept + event->text();
    const int row = firstEntryStartingWith(typed);
    if (row < 0) {
        // Plain insertion; the line edit's textEdited reports it.
        QComboBox::keyPressEvent(event);
        return;
    }
    const int before = currentIndex();
    // Also rewrites a text written from code while the index stayed.
    setCurrentIndex(row);
    edit->setSelection(int(typed.size()), int(itemText(row).size() - typed.size()));
    event->accept();
    if (row != before)
        emit change();
}

// With no entry selected either arrow starts at the first; at the ends the
// selection stays and nothing is reported.
void ComboBox::stepEntry(int delta) {
    if (count() == 0)
        return;
    pick(currentIndex() < 0 ? 0 : std::clamp(currentIndex() + delta, 0, count() - 1));
}

void ComboBox::pick(int row) {
    if (row < 0 || row >= count() || (row == currentIndex() && currentText() == itemText(row)))
        return;
    setCurrentIndex(row);
    lineEdit()->selectAll();
    emit change();
}

void ComboBox::pickHighlighted(int row) {
    if (highlightByKey_ && view()->isVisible())
        pick(row);
}

void ComboBox::reportQtPick() {
    if (currentIndex() == beforeQtPick_.index && currentText() == beforeQtPick_.text)
        return;
    rememberShown();
    emit change();
}

void ComboBox::reportUserEdit() {
    deselectKeepingText();
    emit change();
}

// QComboBox::setCurrentIndex(-1) also empties the editable text.
void ComboBox::deselectKeepingText() {
    if (currentIndex() < 0)
        return;
    QLineEdit* edit = lineEdit();
    const QString text = edit->text();
    const int cursor = edit->cursorPosition();
    setCurrentIndex(-1);
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

int ComboBox::firstEntryStartingWith(const QString& typed) const {
    // MatchStartsWith without MatchCaseSensitive ignores case.
    return findText(typed, Qt::MatchStartsWith);
}

void ComboBox::rememberShown() {
    beforeQtPick_ = {currentIndex(), currentText()};
}

// ---------------------------------------------------------------- SpinEdit

namespace {

constexpr int arrowColumnWidth = 15;

}  // namespace

SpinEdit::SpinEdit(int minimum, int maximum, QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), minimum_(minimum), maximum_(maximum),
      separator_(QLocale::system().decimalPoint()) {
    edit_->setObjectName("edit");
    up_ = makeArrow(Qt::UpArrow, "up", 1);
    down_ = makeArrow(Qt::DownArrow, "down", -1);
    setFocusProxy(edit_);
    edit_->installEventFilter(this);
    connect(edit_, &QLineEdit::textChanged, this, &SpinEdit::change);
}

QToolButton* SpinEdit::makeArrow(Qt::ArrowType arrow, const char* name, int delta) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setFocusPolicy(Qt::NoFocus);
    // pressed() comes again with every repeat, so a press steps at once
    // and then keeps stepping while held.
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(400);
    button->setAutoRepeatInterval(100);
    connect(button, &QToolButton::pressed, this, [this, delta] {
        edit_->setFocus(Qt::MouseFocusReason);
        step(delta);
    });
    return button;
}

QString SpinEdit::text() const { return edit_->text(); }

void SpinEdit::setText(const QString& text) {
    // Rewriting an equal text would still move the caret and drop the undo
    // history.
    if (text != edit_->text())
        edit_->setText(text);
}

int SpinEdit::value() const {
    const std::string text = edit_->text().toStdString();
    return calc::isInteger(text) ? calc::parseInteger(text) : minimum_;
}

void SpinEdit::setValue(int value) {
    if (hasLimits())
        value = std::clamp(value, minimum_, maximum_);
    setText(QString::number(value));
}

void SpinEdit::setDecimalSeparator(const QString& separator) { separator_ = separator; }

QSize SpinEdit::sizeHint() const {
    const QSize edit = edit_->sizeHint();
    return {edit.width() + arrowColumnWidth, edit.height()};
}

bool SpinEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress)
        return filterKey(static_cast<QKeyEvent*>(event));
    if (watched == edit_ && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // A context menu or another application taking the focus does not
        // mean the user has left the field.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            clampOnLeaving();
    }
    return QWidget::eventFilter(watched, event);
}

void SpinEdit::resizeEvent(QResizeEvent*) {
    const int editWidth = std::max(0, width() - arrowColumnWidth);
    const int arrowWidth = width() - editWidth;
    const int upHeight = height() / 2;
    edit_->setGeometry(0, 0, editWidth, height());
    up_->setGeometry(editWidth, 0, arrowWidth, upHeight);
    down_->setGeometry(editWidth, upHeight, arrowWidth, height() - upHeight);
}

// True when the key is used up here and must not reach the line edit.
bool SpinEdit::filterKey(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        step(1);
        return true;
    case Qt::Key_Down:
        step(-1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        QApplication::beep();
        return true;
    default:
        break;
    }
    if (!isTypedCharacter(event) || isAcceptedCharacter(event->text()))
        return false;
    QApplication::beep();
    return true;
}

bool SpinEdit::isAcceptedCharacter(const QString& text) const {
    const bool digit = text.size() == 1 && text.front() >= u'0' && text.front() <= u'9';
    return digit || text == u"+" || text == u"-" || text == separator_;
}

void SpinEdit::step(int delta) {
    // Widened so that stepping past the int range of a field without
    // limits saturates instead of overflowing.
    const long long next = static_cast<long long>(value()) + delta;
    setValue(static_cast<int>(std::clamp<long long>(next, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max())));
}

void SpinEdit::clampOnLeaving() {
    // value() gives the minimum for a non-integer text, which thus stays.
    const int current = value();
    if (hasLimits() && (current < minimum_ || current > maximum_))
        setValue(current);
}

// ---------------------------------------------------------------- TrackBar

namespace {

constexpr int thumbLength = 20;

// Makes the handle 20 px across the channel whatever the application
// style; everything else is that style's.
class ThumbStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_SliderThickness || metric == PM_SliderControlThickness)
            return thumbLength;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// One instance for all track bars; QWidget::setStyle does not take
// ownership, so the application does.
QStyle* thumbStyle() {
    static QPointer<ThumbStyle> style;
    if (!style) {
        style = new ThumbStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);
    }
    return style;
}

bool isScrollKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

}  // namespace

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setStyle(thumbStyle());
    setRange(0, 100);
    setValue(0);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(1);
    setSingleStep(1);
    setPageStep(2);
    // actionTriggered comes before the position is applied; change() waits
    // until the event has been handled so that its handler reads value().
    connect(this, &QAbstractSlider::actionTriggered, this, [this] { actionPending_ = true; });
}

bool TrackBar::event(QEvent* event) {
    const bool handled = QSlider::event(event);
    const bool ended = endsScrolling(event);
    if (std::exchange(actionPending_, false))
        emit change();
    if (ended)
        emit change();
    return handled;
}

bool TrackBar::endsScrolling(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        mouseScrolling_ = mouseScrolling_ || event->isAccepted();
        return false;
    case QEvent::MouseButtonRelease:
        if (!mouseScrolling_ || static_cast<const QMouseEvent*>(event)->buttons() != Qt::NoButton)
            return false;
        mouseScrolling_ = false;
        return true;
    case QEvent::KeyRelease: {
        const auto* key = static_cast<const QKeyEvent*>(event);
        return !key->isAutoRepeat() && isScrollKey(key->key());
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------- BitBtn

namespace {

QPen glyphPen(const QColor& color, qreal width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawNo(QPainter& painter) {
    painter.setPen(glyphPen(QColor(200, 20, 20), 2.6));
    painter.drawLine(QPointF(4, 4), QPointF(12, 12));
    painter.drawLine(QPointF(12, 4), QPointF(4, 12));
}

void drawHelp(QPainter& painter) {
    const QColor blue(20, 60, 200);
    QPainterPath hook;
    hook.moveTo(4.5, 5.5);
    hook.cubicTo(4.5, 1.5, 11.5, 1.5, 11.5, 5.0);
    hook.cubicTo(11.5, 7.5, 8.0, 7.5, 8.0, 10.5);
    painter.setPen(glyphPen(blue, 2.2));
    painter.drawPath(hook);
    painter.setPen(Qt::NoPen);
    painter.setBrush(blue);
    painter.drawEllipse(QPointF(8.0, 13.8), 1.4, 1.4);
}

void drawAll(QPainter& painter) {
    painter.setPen(glyphPen(QColor(20, 140, 40), 2.0));
    const QPointF first[] = {{1.5, 8.5}, {4.5, 11.5}, {9.5, 4.0}};
    const QPointF second[] = {{6.5, 8.5}, {9.5, 11.5}, {14.5, 4.0}};
    painter.drawPolyline(first, 3);
    painter.drawPolyline(second, 3);
}

QIcon glyph(BitBtn::Kind kind) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case BitBtn::Kind::No:
        drawNo(painter);
        break;
    case BitBtn::Kind::Help:
        drawHelp(painter);
        break;
    case BitBtn::Kind::All:
        drawAll(painter);
        break;
    }
    return QIcon(pixmap);
}

}  // namespace

BitBtn::BitBtn(Kind kind, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), kind_(kind) {
    setIcon(glyph(kind));
    setIconSize(QSize(16, 16));
    if (kind == Kind::No) {
        // A window shortcut belonging to the button covers its whole window
        // wherever the button was created, and lapses while the button is
        // hidden or disabled. A focused control that takes Esc itself (an
        // open list) overrides it.
        auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        cancel->setContext(Qt::WindowShortcut);
        connect(cancel, &QShortcut::activated, this, &QAbstractButton::click);
    }
}

// ----------------------------------------------------------- PlainLabel

namespace {

// What QPainter takes as the width of a line that is never wrapped.
constexpr qreal unboundedLineWidth = 0x01000000;

// QTextLine::height() is rounded up to whole pixels.
qreal lineHeight(const QTextLine& line) { return line.ascent() + line.descent(); }

bool hasLines(const QFont& font) { return font.underline() || font.overline() || font.strikeOut(); }

// From the character at `left`, and the one before it, whose glyph may
// reach over.
void drawGlyphsFrom(QPainter& painter, const QPointF& origin, const QTextLine& line, qreal left) {
    const int first = std::max(0, line.xToCursor(left, QTextLine::CursorOnCharacter) - 1);
    for (const QGlyphRun& run : line.glyphRuns(first, -1))
        painter.drawGlyphRun(origin, run);
}

}  // namespace

PlainLabel::PlainLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    // Left aligned: growing reveals new columns, and the old ones stay.
    setAttribute(Qt::WA_StaticContents);
    layout_.setCacheEnabled(true);
}

// Laid out as QPainter lays out a QLabel's text, so that both place every
// glyph alike.
const QTextLayout& PlainLabel::laidOut() const {
    if (layout_.text() == text() && layout_.font() == font())
        return layout_;
    layout_.setText(text());
    layout_.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::ManualWrap);
    layout_.setTextOption(option);
    layout_.beginLayout();
    QTextLine line = layout_.createLine();
    if (line.isValid())
        line.setLineWidth(unboundedLineWidth);
    layout_.endLayout();
    return layout_;
}

// Where the repaint for a new text starts. It begins one character before
// the first that changed: a glyph may reach into its neighbour's cell, and
// kerning with a new neighbour moves the glyphs after it.
int PlainLabel::firstChangedColumn(const QString& newText) const {
    const QString& old = text();
    const qsizetype common = std::mismatch(old.begin(), old.end(), newText.begin(), newText.end()).first - old.begin();
    if (common < 2)
        return 0;
    const QTextLine line = laidOut().lineAt(0);
    return std::max(0, contentsRect().left() + qFloor(line.cursorToX(static_cast<int>(common - 1))) - 1);
}

void PlainLabel::setText(const QString& text) {
    if (text == this->text())
        return;
    // Hidden, or with updates held off by a parent: whatever repaint comes
    // later covers all of it.
    if (!isVisible() || !updatesEnabled()) {
        QLabel::setText(text);
        return;
    }
    const int from = firstChangedColumn(text);
    // QLabel would repaint all of itself.
    setAttribute(Qt::WA_UpdatesDisabled, true);
    QLabel::setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, false);
    update(QRect(from, 0, width() - from, height()));
}

QSize PlainLabel::sizeHint() const {
    // QLabel keeps a few pixels of width for no text at all.
    if (text().isEmpty())
        return QLabel::sizeHint();
    const QTextLine line = laidOut().lineAt(0);
    const QMargins margins = contentsMargins();
    return QSize(qCeil(line.naturalTextWidth()) + margins.left() + margins.right(),
                 qCeil(lineHeight(line)) + margins.top() + margins.bottom());
}

QSize PlainLabel::minimumSizeHint() const { return sizeHint(); }

// Centred to the fraction of a pixel, as QLabel draws it: a line whose
// height is not whole lands between pixel rows.
void PlainLabel::paintEvent(QPaintEvent* event) {
    const QTextLayout& layout = laidOut();
    if (layout.lineCount() == 0)
        return;
    const QTextLine line = layout.lineAt(0);
    const QRectF area = contentsRect();
    QPainter painter(this);
    painter.setPen(QPen(palette().brush(foregroundRole()), 1));
    const QPointF origin(area.left(), area.top() + (area.height() - lineHeight(line)) / 2);
    // Qt 6.4's drawGlyphRun takes the underline, overline and strike-out of
    // a run through the painter's offset twice. Painted alone the offset is
    // nil; inside a window it is the label's place there, so the line lands
    // that far off, outside the label, and is clipped away. The line's own
    // drawing places them as QLabel does, at the price of all its glyphs.
    if (hasLines(font()))
        line.draw(&painter, origin);
    else
        drawGlyphsFrom(painter, origin, line, event->rect().left() - area.left());
}

// A new height centres the line elsewhere, so none of the old pixels stay.
void PlainLabel::resizeEvent(QResizeEvent* event) {
    if (event->oldSize().height() != height())
        update();
    QLabel::resizeEvent(event);
}

// ---------------------------------------------------------------- Bevel

Bevel::Bevel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    // It lies under the controls it groups; clicks on it are the window's.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

// The rim of a one-pixel sunken panel, drawn as QFrame draws it but with
// rectangle fills: the labels inside are repainted on every keystroke, and
// lines clipped to their many small rectangles are slow to draw.
void Bevel::paintEvent(QPaintEvent* event) {
    if (contentsRect().contains(event->rect()))
        return;
    const int w = width(), h = height();
    QPainter painter(this);
    const QColor shade = palette().dark().color(), light = palette().light().color();
    painter.fillRect(QRect(0, 0, w - 1, 1), shade);
    painter.fillRect(QRect(0, 0, 1, h - 1), shade);
    painter.fillRect(QRect(0, h - 1, w, 1), light);
    painter.fillRect(QRect(w - 1, 0, 1, h - 1), light);
}

}  // namespace ui
