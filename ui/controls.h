#pragma once

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTextLayout>
#include <QWidget>

class QToolButton;

// The control kinds the windows are built from. Each reports user changes
// through its own change() signal, emitted synchronously, so that a handler
// writing a field's text runs that field's handler nested before the write
// returns.
namespace ui {

// Drop-down box with an editable text and first-match completion. change()
// is emitted only for the user's picks and edits: when typing completes to
// an entry, only if the selected entry changed; for text that matches no
// entry, on every keystroke (item index -1). Writes from code report nothing.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    void showPopup() override;
    void hidePopup() override;

signals:
    void change();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Shown {
        int index = -1;
        QString text;
    };

    void typeCharacter(QKeyEvent* event);
    void stepEntry(int delta);
    void pick(int row);
    void pickHighlighted(int row);
    void reportQtPick();
    void reportUserEdit();
    void deselectKeepingText();
    int firstEntryStartingWith(const QString& typed) const;
    void rememberShown();

    // What the box showed before Qt's own code got a chance to select an
    // entry (list click, wheel); activated() then tells whether that
    // selection changed anything.
    Shown beforeQtPick_;
    // Qt moves the list's highlight for the mouse pointer as well; only moves
    // made with keys pick the entry, as the pointer merely passing over the
    // list must not rewrite the box.
    bool highlightByKey_ = false;
};

// Integer field with up and down arrow buttons. Reading never clamps;
// writing clamps and reports only when the text changes.
class SpinEdit : public QWidget {
    Q_OBJECT
public:
    SpinEdit(int minimum, int maximum, QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return edit_; }
    QString text() const;
    void setText(const QString& text);
    // The text as an integer, or the minimum when it is not one.
    int value() const;
    void setValue(int value);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // The locale's decimal separator is one of the accepted keys.
    void setDecimalSeparator(const QString& separator);

    QSize sizeHint() const override;

signals:
    void change();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* makeArrow(Qt::ArrowType arrow, const char* name, int delta);
    bool filterKey(const QKeyEvent* event);
    bool isAcceptedCharacter(const QString& text) const;
    void step(int delta);
    void clampOnLeaving();
    bool hasLimits() const { return minimum_ != maximum_; }

    QLineEdit* edit_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int minimum_;
    int maximum_;
    QString separator_;
};

// Horizontal slider 0..100 with a tick per step. change() is emitted on every
// scroll notification, also when the position does not move, and once more
// when the scrolling ends.
class TrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TrackBar(QWidget* parent = nullptr);

signals:
    void change();

protected:
    bool event(QEvent* event) override;

private:
    bool endsScrolling(const QEvent* event);

    bool actionPending_ = false;
    bool mouseScrolling_ = false;
};

// Push button with a glyph left of its caption. Kind No is its window's
// cancel button: Esc presses it unless the focused control takes Esc.
class BitBtn : public QPushButton {
    Q_OBJECT
public:
    enum class Kind { No, Help, All };
    BitBtn(Kind kind, const QString& caption, QWidget* parent = nullptr);
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// One line of plain text, left aligned and centred vertically, as every
// label of the windows shows. It paints what a QLabel of the same font
// paints, faster where the result labels spend their time: QLabel lays a
// new text out twice, once for its size and again to paint it, and repaints
// all of itself; this one keeps one layout per text and, given a new text
// through its own setText, repaints only from the first character that
// changed (the captions before the figures stay as they are).
class PlainLabel : public QLabel {
    Q_OBJECT
public:
    explicit PlainLabel(const QString& text, QWidget* parent = nullptr);

    void setText(const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const QTextLayout& laidOut() const;
    int firstChangedColumn(const QString& newText) const;

    // Laid out on demand: QLabel::setText and setFont are not virtual, so a
    // text or font written past this class is noticed when it is used.
    mutable QTextLayout layout_;
};

// Lowered rectangular frame drawn under a group of controls.
class Bevel : public QFrame {
    Q_OBJECT
public:
    explicit Bevel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace ui
