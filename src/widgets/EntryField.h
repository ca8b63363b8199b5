// The one-line text box the program draws itself: caret and selection with
// the keyboard and the mouse, a character filter, a length limit, clipboard,
// apply and undo of the typed text, a popup menu, and an error face that
// replaces the text. What the text means is left to the derived field.
#pragma once

#include "widgets/InstrumentWidget.h"

#include <QFont>
#include <QTimer>

#include <memory>

class QMenu;

namespace tarvex {

// Which typed characters the field lets through: all of them, or those the
// derived field admits (autoFilterAdmits()).
enum class InputFilter { None, Auto };

class EntryField : public InstrumentWidget {
    Q_OBJECT

public:
    explicit EntryField(QWidget* parent = nullptr);
    ~EntryField() override;

    // The shown text, and the text of the last applied value.
    QString text() const { return m_text; }
    QString appliedText() const { return m_appliedText; }

    // Caret index (0 to the text length) and selection.
    int cursorPosition() const { return m_cursorPosition; }
    int selectionStart() const { return m_selectionStart; }
    int selectionLength() const { return m_selectionLength; }
    QString selectedText() const { return m_text.mid(m_selectionStart, m_selectionLength); }

    // The text's own font and colour (the widget's font() is not used).
    QFont textFont() const { return m_textFont; }
    void setTextFont(const QFont& value);
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& value);

    // Horizontal placement of the text: Qt::AlignLeft, Qt::AlignRight, or
    // centred for anything else.
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment value);
    // Pixels kept clear beside the border on the side of a left or right
    // aligned text; the room for the text shrinks by as much.
    int alignmentMargin() const { return m_alignmentMargin; }
    void setAlignmentMargin(int value);

    // The most characters the operator can type or paste; 0 for no limit.
    int maxLength() const { return m_maxLength; }
    void setMaxLength(int value);
    InputFilter inputFilter() const { return m_inputFilter; }
    void setInputFilter(InputFilter value) { m_inputFilter = value; }
    // Beep when a character is refused or an entry is undone as invalid.
    bool beepOnError() const { return m_beepOnError; }
    void setBeepOnError(bool value) { m_beepOnError = value; }
    // Select the number when the field gains the focus or undoes.
    bool autoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool value) { m_autoSelect = value; }
    // While set, the height follows the text font.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool value);

    // The error face: errorText() in errorFont() on errorBackgroundColor()
    // instead of the number, without caret or selection.
    bool isErrorActive() const { return m_errorActive; }
    void setErrorActive(bool value);
    QString errorText() const { return m_errorText; }
    void setErrorText(const QString& value);
    QFont errorFont() const { return m_errorFont; }
    void setErrorFont(const QFont& value);
    QColor errorTextColor() const { return m_errorTextColor; }
    void setErrorTextColor(const QColor& value);
    QColor errorBackgroundColor() const { return m_errorBackgroundColor; }
    void setErrorBackgroundColor(const QColor& value);

    // Apply the shown text (Enter, the popup's "Apply", leaving the field).
    // byUser tells whether the operator caused it.
    void apply(bool byUser = true);
    // Back to the applied text (Esc, Ctrl+Z, the popup's "Undo").
    void undo();
    // Selects the whole text except a trailing unit.
    void selectNumber();
    // Copies the selection to the clipboard, or the error text while the
    // error face shows.
    void copy();
    // Copies the selection and deletes it; nothing while the error face shows.
    void cut();
    // Inserts the clipboard text at the caret in place of the selection,
    // unfiltered, cut to what maxLength() leaves room for.
    void paste();
    void deleteSelection();

    // The popup menu with its items enabled as the field stands now.
    std::unique_ptr<QMenu> createPopupMenu();

    // The first character shown when the text is wider than the field.
    int firstVisibleChar() const { return m_firstVisible; }
    // Left edge of the caret when it stands before character index.
    int caretX(int index) const;
    // The character boundary nearest to x (before a character when x is
    // left of its middle).
    int charIndexAt(int x) const;

    QString accessibleValue() const override { return m_errorActive ? m_errorText : m_text; }
    QAccessible::Role accessibleRole() const override { return QAccessible::EditableText; }

protected:
    // Whether InputFilter::Auto lets the character through.
    virtual bool autoFilterAdmits(QChar c) const;
    // Length of the number at the start of the text (the text without a
    // trailing unit).
    virtual int numberLength() const { return static_cast<int>(m_text.size()); }
    // Applies a shown text that differs from the applied text.
    virtual void applyChangedText(bool byUser) = 0;

    // Replaces the shown text; the caret goes to its end, no selection.
    void setShownText(const QString& text);
    void setAppliedText(const QString& text) { m_appliedText = text; }
    // Caret and selection, then repaint.
    void setSelection(int start, int length, int caret);

    void paintFace(QPainter& canvas) override;
    void borderStyleChanged() override { applyAutoSize(); }

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool hasSelection() const { return m_selectionLength > 0; }
    bool admits(QChar c) const;
    void typeChar(QChar c);
    void replaceSelection(const QString& insert);
    // Caret keys: moves the caret, extending the selection from the anchor
    // while Shift is held.
    void moveCaret(int index, bool extend);
    void showPopup(const QPoint& globalPos);
    void applyAutoSize();
    // Keeps the caret in view; shows the caret (blink restarts); repaints.
    void revealCaret();
    int textLeft(const QString& shown) const;
    int availableWidth() const;
    void paintText(QPainter& canvas);

    QString m_text;
    QString m_appliedText;
    int m_cursorPosition = 0;
    int m_selectionStart = 0;
    int m_selectionLength = 0;
    int m_anchor = -1;
    int m_firstVisible = 0;
    bool m_dragging = false;
    int m_dragStart = 0;
    bool m_caretOn = true;
    QTimer m_caretTimer;

    QFont m_textFont;
    QColor m_textColor;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    int m_alignmentMargin = 0;
    int m_maxLength = 0;
    InputFilter m_inputFilter = InputFilter::Auto;
    bool m_beepOnError = false;
    bool m_autoSelect = true;
    bool m_autoSize = true;
    bool m_errorActive = false;
    QString m_errorText = QStringLiteral("Error");
    QFont m_errorFont;
    QColor m_errorTextColor{255, 0, 0};
    QColor m_errorBackgroundColor{0, 0, 0};
};

} // namespace tarvex
