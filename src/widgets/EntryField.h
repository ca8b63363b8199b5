// The one-line text box the program draws itself: caret and selection with
// the keyboard and the mouse, a character filter, a length limit, clipboard,
// apply and undo of the typed text, a popup menu, and an error face that
// replaces the text. What the text means is left to the derived field.
#pragma once

#include "widgets/iComponent.h"

#include <QFont>
#include <QTimer>

#include <memory>

class QMenu;

namespace tarvex {

class TiEditCustom : public TiComponent {
    Q_OBJECT

public:
    explicit TiEditCustom(QWidget* parent = nullptr);
    ~TiEditCustom() override;

    // The shown text, and the text of the last applied value.
    QString Text() const { return FText; }
    QString AppliedText() const { return FAppliedText; }

    // Caret index (0 to the text length) and selection.
    int CursorPos() const { return FCursorPos; }
    int SelStart() const { return FSelStart; }
    int SelLength() const { return FSelLength; }
    QString SelText() const { return FText.mid(FSelStart, FSelLength); }

    // Background of the field (the common BackGroundColor).
    QColor Color() const { return BackGroundColor(); }
    void SetColor(const QColor& value) { SetBackGroundColor(value); }

    QFont Font() const { return FFont; }
    void SetFont(const QFont& value);
    QColor FontColor() const { return FFontColor; }
    void SetFontColor(const QColor& value);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    int AlignmentMargin() const { return FAlignmentMargin; }
    void SetAlignmentMargin(int value);

    // The most characters the operator can type or paste; 0 for no limit.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    TiFilterInputStyle FilterStyle() const { return FFilterStyle; }
    void SetFilterStyle(TiFilterInputStyle value) { FFilterStyle = value; }
    // Beep when a character is refused or an entry is undone as invalid.
    bool BeepOnError() const { return FBeepOnError; }
    void SetBeepOnError(bool value) { FBeepOnError = value; }
    // Select the number when the field gains the focus or undoes.
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value) { FAutoSelect = value; }
    // While set, the height follows the font.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    // The error face: ErrorText in ErrorFont on ErrorBackGroundColor instead
    // of the number, without caret or selection.
    bool ErrorActive() const { return FErrorActive; }
    void SetErrorActive(bool value);
    QString ErrorText() const { return FErrorText; }
    void SetErrorText(const QString& value);
    QFont ErrorFont() const { return FErrorFont; }
    void SetErrorFont(const QFont& value);
    QColor ErrorFontColor() const { return FErrorFontColor; }
    void SetErrorFontColor(const QColor& value);
    QColor ErrorBackGroundColor() const { return FErrorBackGroundColor; }
    void SetErrorBackGroundColor(const QColor& value);

    // Apply the shown text (Enter, the popup's "Apply", leaving the field).
    // byUser tells whether the operator caused it.
    void Apply(bool byUser = true);
    // Back to the applied text (Esc, Ctrl+Z, the popup's "Undo").
    void Undo();
    // Selects the whole text except a trailing unit.
    void SelectNumber();
    void CopyToClipboard();
    void CutToClipboard();
    // Inserts the clipboard text at the caret in place of the selection,
    // unfiltered, cut to what MaxLength leaves room for.
    void PasteFromClipboard();
    void DeleteSelection();

    // The popup menu with its items enabled as the field stands now.
    std::unique_ptr<QMenu> CreatePopupMenu();

    // The first character shown when the text is wider than the field.
    int FirstVisibleChar() const { return FFirstVisible; }
    // Left edge of the caret when it stands before character index.
    int CaretX(int index) const;
    // The character boundary nearest to x (before a character when x is
    // left of its middle).
    int CharIndexAt(int x) const;

    QString AccessibleValue() const override { return FErrorActive ? FErrorText : FText; }
    QAccessible::Role AccessibleRole() const override { return QAccessible::EditableText; }

protected:
    // Whether ifisAuto lets the character through.
    virtual bool AutoFilterAdmits(QChar c) const;
    // Length of the number at the start of the text (the text without a
    // trailing unit).
    virtual int NumberLength() const { return static_cast<int>(FText.size()); }
    // Applies a shown text that differs from the applied text.
    virtual void ApplyChangedText(bool byUser) = 0;

    // Replaces the shown text; the caret goes to its end, no selection.
    void SetShownText(const QString& text);
    void SetAppliedText(const QString& text) { FAppliedText = text; }
    // Caret and selection, then repaint.
    void SetSelection(int start, int length, int caret);

    void PaintFace(QPainter& canvas) override;
    void BorderStyleChanged() override { DoAutoSize(); }

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
    bool HasSelection() const { return FSelLength > 0; }
    bool Admits(QChar c) const;
    void TypeChar(QChar c);
    void ReplaceSelection(const QString& insert);
    // Caret keys: moves the caret, extending the selection from the anchor
    // while Shift is held.
    void MoveCaret(int index, bool extend);
    void ShowPopup(const QPoint& globalPos);
    void DoAutoSize();
    // Keeps the caret in view; shows the caret (blink restarts).
    void Changed();
    int TextLeft(const QString& shown) const;
    int AvailableWidth() const;
    void PaintText(QPainter& canvas);

    QString FText;
    QString FAppliedText;
    int FCursorPos = 0;
    int FSelStart = 0;
    int FSelLength = 0;
    int FAnchor = -1;
    int FFirstVisible = 0;
    bool FDragging = false;
    int FDragStart = 0;
    bool FCaretOn = true;
    QTimer FCaretTimer;

    QFont FFont;
    QColor FFontColor;
    TAlignment FAlignment = taCenter;
    int FAlignmentMargin = 0;
    int FMaxLength = 0;
    TiFilterInputStyle FFilterStyle = ifisAuto;
    bool FBeepOnError = false;
    bool FAutoSelect = true;
    bool FAutoSize = true;
    bool FErrorActive = false;
    QString FErrorText = QStringLiteral("Error");
    QFont FErrorFont;
    QColor FErrorFontColor{255, 0, 0};
    QColor FErrorBackGroundColor{0, 0, 0};
};

} // namespace tarvex
