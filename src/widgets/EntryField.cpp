#include "widgets/EntryField.h"

#include "ui/MessageBoxes.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

namespace tarvex {

EntryField::EntryField(QWidget* parent) : InstrumentWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    m_textFont.setBold(true);
    m_errorFont.setBold(true);
    m_textColor = palette().color(QPalette::Text);
    setBackgroundColor(palette().color(QPalette::Base));
    connect(&m_caretTimer, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        requestRepaint();
    });
    resize(100, height());
    setBorderStyle(BevelStyle::Lowered);
    applyAutoSize();
}

EntryField::~EntryField() = default;

void EntryField::setTextFont(const QFont& value) {
    if (!changeProperty(m_textFont, value))
        return;
    applyAutoSize();
    revealCaret();
}

void EntryField::setTextColor(const QColor& value) {
    changeProperty(m_textColor, value);
}

void EntryField::setAlignment(Qt::Alignment value) {
    changeProperty(m_alignment, value);
}

void EntryField::setAlignmentMargin(int value) {
    if (changeProperty(m_alignmentMargin, value))
        revealCaret();
}

void EntryField::setMaxLength(int value) {
    m_maxLength = std::max(value, 0);
}

void EntryField::setAutoSize(bool value) {
    m_autoSize = value;
    applyAutoSize();
}

void EntryField::setErrorActive(bool value) {
    changeProperty(m_errorActive, value);
}
void EntryField::setErrorText(const QString& value) {
    changeProperty(m_errorText, value);
}
void EntryField::setErrorFont(const QFont& value) {
    changeProperty(m_errorFont, value);
}
void EntryField::setErrorTextColor(const QColor& value) {
    changeProperty(m_errorTextColor, value);
}
void EntryField::setErrorBackgroundColor(const QColor& value) {
    changeProperty(m_errorBackgroundColor, value);
}

void EntryField::applyAutoSize() {
    if (m_autoSize)
        resize(width(), QFontMetrics(m_textFont).height() + 2 * borderWidth() + 4);
}

// ---- editing ---------------------------------------------------------------

void EntryField::setShownText(const QString& text) {
    m_text = text;
    setSelection(0, 0, static_cast<int>(m_text.size()));
}

void EntryField::setSelection(int start, int length, int caret) {
    const int size = static_cast<int>(m_text.size());
    m_selectionStart = std::clamp(start, 0, size);
    m_selectionLength = std::clamp(length, 0, size - m_selectionStart);
    m_cursorPosition = std::clamp(caret, 0, size);
    m_anchor = -1;
    revealCaret();
}

void EntryField::selectNumber() {
    const int number = numberLength();
    setSelection(0, number, number);
}

void EntryField::replaceSelection(const QString& insert) {
    int caret = m_cursorPosition;
    if (hasSelection()) {
        m_text.remove(m_selectionStart, m_selectionLength);
        caret = m_selectionStart;
    }
    m_text.insert(caret, insert);
    setSelection(0, 0, caret + static_cast<int>(insert.size()));
}

void EntryField::deleteSelection() {
    if (hasSelection() && !m_errorActive)
        replaceSelection({});
}

bool EntryField::admits(QChar c) const {
    return m_inputFilter == InputFilter::None || autoFilterAdmits(c);
}

bool EntryField::autoFilterAdmits(QChar) const {
    return true;
}

void EntryField::typeChar(QChar c) {
    if (!admits(c)) {
        if (m_beepOnError)
            beep();
        return;
    }
    // The limit counts the whole text, the selected characters included.
    if (m_maxLength > 0 && m_text.size() >= m_maxLength) {
        beep();
        return;
    }
    replaceSelection(QString(c));
}

void EntryField::moveCaret(int index, bool extend) {
    index = std::clamp(index, 0, static_cast<int>(m_text.size()));
    if (!extend) {
        setSelection(0, 0, index);
        return;
    }
    const int anchor = m_anchor >= 0 ? m_anchor : m_cursorPosition;
    setSelection(std::min(anchor, index), std::abs(index - anchor), index);
    m_anchor = anchor;
}

void EntryField::copy() {
    if (m_errorActive)
        QGuiApplication::clipboard()->setText(m_errorText);
    else if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void EntryField::cut() {
    if (m_errorActive || !hasSelection())
        return;
    copy();
    deleteSelection();
}

void EntryField::paste() {
    if (m_errorActive)
        return;
    QString insert = QGuiApplication::clipboard()->text();
    if (m_maxLength > 0)
        insert.truncate(std::max<qsizetype>(m_maxLength - m_text.size(), 0));
    replaceSelection(insert);
}

void EntryField::apply(bool byUser) {
    if (m_text == m_appliedText) {
        selectNumber();
        return;
    }
    applyChangedText(byUser);
}

void EntryField::undo() {
    m_text = m_appliedText;
    setSelection(0, 0, 0);
    if (m_autoSelect)
        selectNumber();
}

// ---- keyboard --------------------------------------------------------------

void EntryField::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int end = static_cast<int>(m_text.size());
    const bool editable = !m_errorActive;
    if (ctrl) {
        switch (event->key()) {
        case Qt::Key_A:
            selectNumber();
            return;
        case Qt::Key_C:
            copy();
            return;
        case Qt::Key_V:
            paste();
            return;
        case Qt::Key_X:
            cut();
            return;
        case Qt::Key_Z:
            if (editable)
                undo();
            return;
        case Qt::Key_Left:
            moveCaret(0, shift);
            return;
        case Qt::Key_Right:
            moveCaret(end, shift);
            return;
        default:
            break;
        }
    }
    switch (event->key()) {
    case Qt::Key_Left:
        moveCaret(m_cursorPosition - 1, shift);
        return;
    case Qt::Key_Right:
        moveCaret(m_cursorPosition + 1, shift);
        return;
    case Qt::Key_Home:
        moveCaret(0, shift);
        return;
    case Qt::Key_End:
        moveCaret(end, shift);
        return;
    case Qt::Key_Delete:
        if (!editable)
            return;
        if (hasSelection())
            deleteSelection();
        else if (m_cursorPosition < end) {
            m_text.remove(m_cursorPosition, 1);
            setSelection(0, 0, m_cursorPosition);
        }
        return;
    case Qt::Key_Backspace:
        if (!editable)
            return;
        if (hasSelection())
            deleteSelection();
        else if (m_cursorPosition > 0) {
            m_text.remove(m_cursorPosition - 1, 1);
            setSelection(0, 0, m_cursorPosition - 1);
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (editable) {
            apply(true);
            selectNumber();
        }
        return;
    case Qt::Key_Escape:
        if (editable)
            undo();
        return;
    default:
        break;
    }
    const QString typed = event->text();
    if (!ctrl && !typed.isEmpty() &&
        std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isPrint(); })) {
        if (editable)
            for (QChar c : typed)
                typeChar(c);
        return;
    }
    InstrumentWidget::keyPressEvent(event);
}

// ---- mouse and popup -------------------------------------------------------

void EntryField::mousePressEvent(QMouseEvent* event) {
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::RightButton) {
        showPopup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton) {
        const int index = charIndexAt(event->position().toPoint().x());
        setSelection(0, 0, index);
        m_dragging = true;
        m_dragStart = index;
    }
}

void EntryField::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    const int index = charIndexAt(event->position().toPoint().x());
    setSelection(std::min(m_dragStart, index), std::abs(index - m_dragStart), index);
}

void EntryField::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

void EntryField::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    selectNumber();
}

void EntryField::contextMenuEvent(QContextMenuEvent* event) {
    // The right button opens the menu on its press; here only the keyboard's
    // menu key is left.
    if (event->reason() != QContextMenuEvent::Mouse)
        showPopup(mapToGlobal(QPoint(caretX(m_cursorPosition), height() / 2)));
    event->accept();
}

std::unique_ptr<QMenu> EntryField::createPopupMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const bool changed = m_text != m_appliedText;
    const bool selection = hasSelection();
    auto add = [&](const QString& caption, bool enabled, auto action) {
        QAction* item = menu->addAction(caption);
        item->setEnabled(enabled);
        connect(item, &QAction::triggered, this, action);
    };
    add(QStringLiteral("Apply"), changed && !m_errorActive, [this] { apply(true); });
    add(QStringLiteral("Undo"), changed && !m_errorActive, [this] { undo(); });
    menu->addSeparator();
    add(QStringLiteral("Cut"), selection && !m_errorActive, [this] { cut(); });
    add(QStringLiteral("Copy"), selection || m_errorActive, [this] { copy(); });
    add(QStringLiteral("Paste"), !QGuiApplication::clipboard()->text().isEmpty() && !m_errorActive,
        [this] { paste(); });
    add(QStringLiteral("Delete"), selection && !m_errorActive, [this] { deleteSelection(); });
    menu->addSeparator();
    add(QStringLiteral("Select All"),
        !(m_selectionStart == 0 && m_selectionLength == m_text.size()), [this] { selectNumber(); });
    return menu;
}

void EntryField::showPopup(const QPoint& globalPos) {
    const std::unique_ptr<QMenu> menu = createPopupMenu();
    menu->exec(globalPos);
}

// ---- focus -----------------------------------------------------------------

void EntryField::focusInEvent(QFocusEvent* event) {
    InstrumentWidget::focusInEvent(event);
    // Coming back from a popup menu or another window is no entering.
    const Qt::FocusReason reason = event->reason();
    if (m_autoSelect && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        selectNumber();
    else
        revealCaret();
}

void EntryField::focusOutEvent(QFocusEvent* event) {
    InstrumentWidget::focusOutEvent(event);
    m_caretTimer.stop();
    m_dragging = false;
    m_anchor = -1;
    requestRepaint();
    // Leaving the field applies. A popup menu (our own among them) or another
    // window taking the focus for a while is no leaving: the field keeps its
    // place in the window, and the caret comes back to it.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        apply(true);
}

void EntryField::resizeEvent(QResizeEvent* event) {
    InstrumentWidget::resizeEvent(event);
    revealCaret();
}

// ---- layout of the text ----------------------------------------------------

int EntryField::availableWidth() const {
    return width() - 2 * borderWidth() - m_alignmentMargin;
}

void EntryField::revealCaret() {
    const QFontMetrics fm(m_textFont);
    const int size = static_cast<int>(m_text.size());
    auto widthOf = [&](int from, int count) {
        return fm.horizontalAdvance(m_text.mid(from, count));
    };
    const int available = availableWidth();
    if (fm.horizontalAdvance(m_text) <= available) {
        m_firstVisible = 0;
    } else {
        m_firstVisible = std::clamp(m_firstVisible, 0, size);
        m_firstVisible = std::min(m_firstVisible, m_cursorPosition);
        while (m_firstVisible < m_cursorPosition &&
               widthOf(m_firstVisible, m_cursorPosition - m_firstVisible) > available)
            ++m_firstVisible;
        while (m_firstVisible > 0 && widthOf(m_firstVisible - 1, size) <= available)
            --m_firstVisible;
    }
    m_caretOn = true;
    if (hasFocus() && QApplication::cursorFlashTime() > 0)
        m_caretTimer.start(QApplication::cursorFlashTime() / 2);
    requestRepaint();
}

namespace {

// The run of characters of text from first on that fits into available.
QString visibleRun(const QString& text, int first, int available, const QFontMetrics& fm) {
    if (fm.horizontalAdvance(text) <= available)
        return text;
    qsizetype count = 0;
    while (first + count < text.size() &&
           fm.horizontalAdvance(text.mid(first, count + 1)) <= available)
        ++count;
    return text.mid(first, count);
}

} // namespace

int EntryField::textLeft(const QString& shown) const {
    const int b = borderWidth();
    const int textWidth =
        QFontMetrics(m_errorActive ? m_errorFont : m_textFont).horizontalAdvance(shown);
    if (m_alignment & Qt::AlignLeft)
        return b + m_alignmentMargin + 1;
    if (m_alignment & Qt::AlignRight)
        return width() - b - m_alignmentMargin - 2 - textWidth;
    return width() / 2 + textWidth / 2 - textWidth;
}

int EntryField::caretX(int index) const {
    const QFontMetrics fm(m_textFont);
    const QString shown = visibleRun(m_text, m_firstVisible, availableWidth(), fm);
    const int first = shown.size() == m_text.size() ? 0 : m_firstVisible;
    return textLeft(shown) + fm.horizontalAdvance(m_text.mid(first, std::max(index - first, 0)));
}

int EntryField::charIndexAt(int x) const {
    const QFontMetrics fm(m_textFont);
    const QString shown = visibleRun(m_text, m_firstVisible, availableWidth(), fm);
    const int first = shown.size() == m_text.size() ? 0 : m_firstVisible;
    const int left = textLeft(shown);
    for (int i = 0; i < shown.size(); ++i) {
        const double middle =
            left +
            (fm.horizontalAdvance(shown.left(i)) + fm.horizontalAdvance(shown.left(i + 1))) / 2.0;
        if (x < middle)
            return first + i;
    }
    return first + static_cast<int>(shown.size());
}

// ---- drawing ---------------------------------------------------------------

void EntryField::paintFace(QPainter& canvas) {
    drawBackground(canvas, m_errorActive ? m_errorBackgroundColor : backgroundColor());
    paintText(canvas);
    drawBorder(canvas);
}

void EntryField::paintText(QPainter& canvas) {
    const int top = borderWidth() + 1;
    if (m_errorActive) {
        const QFontMetrics fm(m_errorFont);
        canvas.setFont(m_errorFont);
        canvas.setPen(m_errorTextColor);
        canvas.drawText(textLeft(m_errorText), top + fm.ascent(), m_errorText);
        return;
    }
    const QFontMetrics fm(m_textFont);
    const QString shown = visibleRun(m_text, m_firstVisible, availableWidth(), fm);
    const int first = shown.size() == m_text.size() ? 0 : m_firstVisible;
    const int left = textLeft(shown);
    const int baseline = top + fm.ascent();
    const bool focused = hasFocus();

    int selFrom = 0, selTo = 0;
    if (focused && hasSelection()) {
        const int size = static_cast<int>(shown.size());
        selFrom = std::clamp(m_selectionStart - first, 0, size);
        selTo = std::clamp(m_selectionStart + m_selectionLength - first, 0, size);
    }
    const int x1 = left + fm.horizontalAdvance(shown.left(selFrom));
    const int x2 = left + fm.horizontalAdvance(shown.left(selTo));
    canvas.setFont(m_textFont);
    canvas.setPen(m_textColor);
    canvas.drawText(left, baseline, shown.left(selFrom));
    canvas.drawText(x2, baseline, shown.mid(selTo));
    if (selTo > selFrom) {
        canvas.fillRect(x1, top, x2 - x1, fm.height(), palette().color(QPalette::Highlight));
        canvas.setPen(Qt::white);
        canvas.drawText(x1, baseline, shown.mid(selFrom, selTo - selFrom));
    }
    if (focused && m_caretOn) {
        canvas.setCompositionMode(QPainter::RasterOp_NotDestination);
        canvas.fillRect(caretX(m_cursorPosition), 3, 1, fm.height(), Qt::white);
        canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

} // namespace tarvex
