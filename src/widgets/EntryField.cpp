#include "widgets/iEditCustom.h"

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

TiEditCustom::TiEditCustom(QWidget* parent) : TiComponent(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    FFont.setBold(true);
    FErrorFont.setBold(true);
    FFontColor = palette().color(QPalette::Text);
    SetBackGroundColor(palette().color(QPalette::Base));
    connect(&FCaretTimer, &QTimer::timeout, this, [this] {
        FCaretOn = !FCaretOn;
        InvalidateChange();
    });
    resize(100, height());
    SetBorderStyle(ibsLowered);
    DoAutoSize();
}

TiEditCustom::~TiEditCustom() = default;

void TiEditCustom::SetFont(const QFont& value) {
    if (!ChangeProperty(FFont, value))
        return;
    DoAutoSize();
    Changed();
}

void TiEditCustom::SetFontColor(const QColor& value) {
    ChangeProperty(FFontColor, value);
}

void TiEditCustom::SetAlignment(TAlignment value) {
    ChangeProperty(FAlignment, value);
}

void TiEditCustom::SetAlignmentMargin(int value) {
    if (ChangeProperty(FAlignmentMargin, value))
        Changed();
}

void TiEditCustom::SetMaxLength(int value) {
    FMaxLength = std::max(value, 0);
}

void TiEditCustom::SetAutoSize(bool value) {
    FAutoSize = value;
    DoAutoSize();
}

void TiEditCustom::SetErrorActive(bool value) {
    ChangeProperty(FErrorActive, value);
}
void TiEditCustom::SetErrorText(const QString& value) {
    ChangeProperty(FErrorText, value);
}
void TiEditCustom::SetErrorFont(const QFont& value) {
    ChangeProperty(FErrorFont, value);
}
void TiEditCustom::SetErrorFontColor(const QColor& value) {
    ChangeProperty(FErrorFontColor, value);
}
void TiEditCustom::SetErrorBackGroundColor(const QColor& value) {
    ChangeProperty(FErrorBackGroundColor, value);
}

void TiEditCustom::DoAutoSize() {
    if (FAutoSize)
        resize(width(), QFontMetrics(FFont).height() + 2 * BorderWidth() + 4);
}

// ---- editing ---------------------------------------------------------------

void TiEditCustom::SetShownText(const QString& text) {
    FText = text;
    SetSelection(0, 0, static_cast<int>(FText.size()));
}

void TiEditCustom::SetSelection(int start, int length, int caret) {
    const int size = static_cast<int>(FText.size());
    FSelStart = std::clamp(start, 0, size);
    FSelLength = std::clamp(length, 0, size - FSelStart);
    FCursorPos = std::clamp(caret, 0, size);
    FAnchor = -1;
    Changed();
}

void TiEditCustom::SelectNumber() {
    const int number = NumberLength();
    SetSelection(0, number, number);
}

void TiEditCustom::ReplaceSelection(const QString& insert) {
    int caret = FCursorPos;
    if (HasSelection()) {
        FText.remove(FSelStart, FSelLength);
        caret = FSelStart;
    }
    FText.insert(caret, insert);
    SetSelection(0, 0, caret + static_cast<int>(insert.size()));
}

void TiEditCustom::DeleteSelection() {
    if (HasSelection() && !FErrorActive)
        ReplaceSelection({});
}

bool TiEditCustom::Admits(QChar c) const {
    return FFilterStyle == ifisNone || AutoFilterAdmits(c);
}

bool TiEditCustom::AutoFilterAdmits(QChar) const {
    return true;
}

void TiEditCustom::TypeChar(QChar c) {
    if (!Admits(c)) {
        if (FBeepOnError)
            beep();
        return;
    }
    // The limit counts the whole text, the selected characters included.
    if (FMaxLength > 0 && FText.size() >= FMaxLength) {
        beep();
        return;
    }
    ReplaceSelection(QString(c));
}

void TiEditCustom::MoveCaret(int index, bool extend) {
    index = std::clamp(index, 0, static_cast<int>(FText.size()));
    if (!extend) {
        SetSelection(0, 0, index);
        return;
    }
    const int anchor = FAnchor >= 0 ? FAnchor : FCursorPos;
    SetSelection(std::min(anchor, index), std::abs(index - anchor), index);
    FAnchor = anchor;
}

void TiEditCustom::CopyToClipboard() {
    if (FErrorActive)
        QGuiApplication::clipboard()->setText(FErrorText);
    else if (HasSelection())
        QGuiApplication::clipboard()->setText(SelText());
}

void TiEditCustom::CutToClipboard() {
    if (FErrorActive || !HasSelection())
        return;
    CopyToClipboard();
    DeleteSelection();
}

void TiEditCustom::PasteFromClipboard() {
    if (FErrorActive)
        return;
    QString insert = QGuiApplication::clipboard()->text();
    if (FMaxLength > 0)
        insert.truncate(std::max<qsizetype>(FMaxLength - FText.size(), 0));
    ReplaceSelection(insert);
}

void TiEditCustom::Apply(bool byUser) {
    if (FText == FAppliedText) {
        SelectNumber();
        return;
    }
    ApplyChangedText(byUser);
}

void TiEditCustom::Undo() {
    FText = FAppliedText;
    SetSelection(0, 0, 0);
    if (FAutoSelect)
        SelectNumber();
}

// ---- keyboard --------------------------------------------------------------

void TiEditCustom::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int end = static_cast<int>(FText.size());
    const bool editable = !FErrorActive;
    if (ctrl) {
        switch (event->key()) {
        case Qt::Key_A:
            SelectNumber();
            return;
        case Qt::Key_C:
            CopyToClipboard();
            return;
        case Qt::Key_V:
            PasteFromClipboard();
            return;
        case Qt::Key_X:
            CutToClipboard();
            return;
        case Qt::Key_Z:
            if (editable)
                Undo();
            return;
        case Qt::Key_Left:
            MoveCaret(0, shift);
            return;
        case Qt::Key_Right:
            MoveCaret(end, shift);
            return;
        default:
            break;
        }
    }
    switch (event->key()) {
    case Qt::Key_Left:
        MoveCaret(FCursorPos - 1, shift);
        return;
    case Qt::Key_Right:
        MoveCaret(FCursorPos + 1, shift);
        return;
    case Qt::Key_Home:
        MoveCaret(0, shift);
        return;
    case Qt::Key_End:
        MoveCaret(end, shift);
        return;
    case Qt::Key_Delete:
        if (!editable)
            return;
        if (HasSelection())
            DeleteSelection();
        else if (FCursorPos < end) {
            FText.remove(FCursorPos, 1);
            SetSelection(0, 0, FCursorPos);
        }
        return;
    case Qt::Key_Backspace:
        if (!editable)
            return;
        if (HasSelection())
            DeleteSelection();
        else if (FCursorPos > 0) {
            FText.remove(FCursorPos - 1, 1);
            SetSelection(0, 0, FCursorPos - 1);
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (editable) {
            Apply(true);
            SelectNumber();
        }
        return;
    case Qt::Key_Escape:
        if (editable)
            Undo();
        return;
    default:
        break;
    }
    const QString typed = event->text();
    if (!ctrl && !typed.isEmpty() &&
        std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isPrint(); })) {
        if (editable)
            for (QChar c : typed)
                TypeChar(c);
        return;
    }
    TiComponent::keyPressEvent(event);
}

// ---- mouse and popup -------------------------------------------------------

void TiEditCustom::mousePressEvent(QMouseEvent* event) {
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::RightButton) {
        ShowPopup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() == Qt::LeftButton) {
        const int index = CharIndexAt(event->position().toPoint().x());
        SetSelection(0, 0, index);
        FDragging = true;
        FDragStart = index;
    }
}

void TiEditCustom::mouseMoveEvent(QMouseEvent* event) {
    if (!FDragging || !(event->buttons() & Qt::LeftButton))
        return;
    const int index = CharIndexAt(event->position().toPoint().x());
    SetSelection(std::min(FDragStart, index), std::abs(index - FDragStart), index);
}

void TiEditCustom::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        FDragging = false;
}

void TiEditCustom::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    FDragging = false;
    SelectNumber();
}

void TiEditCustom::contextMenuEvent(QContextMenuEvent* event) {
    // The right button opens the menu on its press; here only the keyboard's
    // menu key is left.
    if (event->reason() != QContextMenuEvent::Mouse)
        ShowPopup(mapToGlobal(QPoint(CaretX(FCursorPos), height() / 2)));
    event->accept();
}

std::unique_ptr<QMenu> TiEditCustom::CreatePopupMenu() {
    auto menu = std::make_unique<QMenu>(this);
    const bool changed = FText != FAppliedText;
    const bool selection = HasSelection();
    auto add = [&](const QString& caption, bool enabled, auto action) {
        QAction* item = menu->addAction(caption);
        item->setEnabled(enabled);
        connect(item, &QAction::triggered, this, action);
    };
    add(QStringLiteral("Apply"), changed && !FErrorActive, [this] { Apply(true); });
    add(QStringLiteral("Undo"), changed && !FErrorActive, [this] { Undo(); });
    menu->addSeparator();
    add(QStringLiteral("Cut"), selection && !FErrorActive, [this] { CutToClipboard(); });
    add(QStringLiteral("Copy"), selection || FErrorActive, [this] { CopyToClipboard(); });
    add(QStringLiteral("Paste"), !QGuiApplication::clipboard()->text().isEmpty() && !FErrorActive,
        [this] { PasteFromClipboard(); });
    add(QStringLiteral("Delete"), selection && !FErrorActive, [this] { DeleteSelection(); });
    menu->addSeparator();
    add(QStringLiteral("Select All"), !(FSelStart == 0 && FSelLength == FText.size()),
        [this] { SelectNumber(); });
    return menu;
}

void TiEditCustom::ShowPopup(const QPoint& globalPos) {
    const std::unique_ptr<QMenu> menu = CreatePopupMenu();
    menu->exec(globalPos);
}

// ---- focus -----------------------------------------------------------------

void TiEditCustom::focusInEvent(QFocusEvent* event) {
    TiComponent::focusInEvent(event);
    // Coming back from a popup menu or another window is no entering.
    const Qt::FocusReason reason = event->reason();
    if (FAutoSelect && reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        SelectNumber();
    else
        Changed();
}

void TiEditCustom::focusOutEvent(QFocusEvent* event) {
    TiComponent::focusOutEvent(event);
    FCaretTimer.stop();
    FDragging = false;
    FAnchor = -1;
    InvalidateChange();
    // Leaving the field applies. A popup menu (our own among them) or another
    // window taking the focus for a while is no leaving: the field keeps its
    // place in the window, and the caret comes back to it.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
        Apply(true);
}

void TiEditCustom::resizeEvent(QResizeEvent* event) {
    TiComponent::resizeEvent(event);
    Changed();
}

// ---- layout of the text ----------------------------------------------------

int TiEditCustom::AvailableWidth() const {
    return width() - 2 * BorderWidth() - FAlignmentMargin;
}

void TiEditCustom::Changed() {
    const QFontMetrics fm(FFont);
    const int size = static_cast<int>(FText.size());
    auto widthOf = [&](int from, int count) {
        return fm.horizontalAdvance(FText.mid(from, count));
    };
    const int available = AvailableWidth();
    if (fm.horizontalAdvance(FText) <= available) {
        FFirstVisible = 0;
    } else {
        FFirstVisible = std::clamp(FFirstVisible, 0, size);
        FFirstVisible = std::min(FFirstVisible, FCursorPos);
        while (FFirstVisible < FCursorPos &&
               widthOf(FFirstVisible, FCursorPos - FFirstVisible) > available)
            ++FFirstVisible;
        while (FFirstVisible > 0 && widthOf(FFirstVisible - 1, size) <= available)
            --FFirstVisible;
    }
    FCaretOn = true;
    if (hasFocus() && QApplication::cursorFlashTime() > 0)
        FCaretTimer.start(QApplication::cursorFlashTime() / 2);
    InvalidateChange();
}

namespace {

// The run of characters of text from first on that fits into available.
QString VisibleRun(const QString& text, int first, int available, const QFontMetrics& fm) {
    if (fm.horizontalAdvance(text) <= available)
        return text;
    qsizetype count = 0;
    while (first + count < text.size() &&
           fm.horizontalAdvance(text.mid(first, count + 1)) <= available)
        ++count;
    return text.mid(first, count);
}

} // namespace

int TiEditCustom::TextLeft(const QString& shown) const {
    const int b = BorderWidth();
    const int textWidth = QFontMetrics(FErrorActive ? FErrorFont : FFont).horizontalAdvance(shown);
    switch (FAlignment) {
    case taLeftJustify:
        return b + FAlignmentMargin + 1;
    case taRightJustify:
        return width() - b - FAlignmentMargin - 2 - textWidth;
    case taCenter:
        break;
    }
    return width() / 2 + textWidth / 2 - textWidth;
}

int TiEditCustom::CaretX(int index) const {
    const QFontMetrics fm(FFont);
    const QString shown = VisibleRun(FText, FFirstVisible, AvailableWidth(), fm);
    const int first = shown.size() == FText.size() ? 0 : FFirstVisible;
    return TextLeft(shown) + fm.horizontalAdvance(FText.mid(first, std::max(index - first, 0)));
}

int TiEditCustom::CharIndexAt(int x) const {
    const QFontMetrics fm(FFont);
    const QString shown = VisibleRun(FText, FFirstVisible, AvailableWidth(), fm);
    const int first = shown.size() == FText.size() ? 0 : FFirstVisible;
    const int left = TextLeft(shown);
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

void TiEditCustom::PaintFace(QPainter& canvas) {
    DrawBackground(canvas, FErrorActive ? FErrorBackGroundColor : Color());
    PaintText(canvas);
    DrawBorder(canvas);
}

void TiEditCustom::PaintText(QPainter& canvas) {
    const int top = BorderWidth() + 1;
    if (FErrorActive) {
        const QFontMetrics fm(FErrorFont);
        canvas.setFont(FErrorFont);
        canvas.setPen(FErrorFontColor);
        canvas.drawText(TextLeft(FErrorText), top + fm.ascent(), FErrorText);
        return;
    }
    const QFontMetrics fm(FFont);
    const QString shown = VisibleRun(FText, FFirstVisible, AvailableWidth(), fm);
    const int first = shown.size() == FText.size() ? 0 : FFirstVisible;
    const int left = TextLeft(shown);
    const int baseline = top + fm.ascent();
    const bool focused = hasFocus();

    int selFrom = 0, selTo = 0;
    if (focused && HasSelection()) {
        const int size = static_cast<int>(shown.size());
        selFrom = std::clamp(FSelStart - first, 0, size);
        selTo = std::clamp(FSelStart + FSelLength - first, 0, size);
    }
    const int x1 = left + fm.horizontalAdvance(shown.left(selFrom));
    const int x2 = left + fm.horizontalAdvance(shown.left(selTo));
    canvas.setFont(FFont);
    canvas.setPen(FFontColor);
    canvas.drawText(left, baseline, shown.left(selFrom));
    canvas.drawText(x2, baseline, shown.mid(selTo));
    if (selTo > selFrom) {
        canvas.fillRect(x1, top, x2 - x1, fm.height(), palette().color(QPalette::Highlight));
        canvas.setPen(Qt::white);
        canvas.drawText(x1, baseline, shown.mid(selFrom, selTo - selFrom));
    }
    if (focused && FCaretOn) {
        canvas.setCompositionMode(QPainter::RasterOp_NotDestination);
        canvas.fillRect(CaretX(FCursorPos), 3, 1, fm.height(), Qt::white);
        canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
}

} // namespace tarvex
