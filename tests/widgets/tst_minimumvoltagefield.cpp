// The minimum-voltage field driven from the keyboard and the mouse: what is
// applied when, what is undone, the filter and the length limit with its beep.
#include "ui/MessageBoxes.h"
#include "widgets/MinimumVoltageField.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace tarvex;

namespace {

struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

// Names of the keys that the scripts below write in braces.
const QHash<QString, Key>& namedKeys() {
    static const QHash<QString, Key> keys{
        {"Enter", {Qt::Key_Return, {}}},
        {"KpEnter", {Qt::Key_Enter, Qt::KeypadModifier}},
        {"BS", {Qt::Key_Backspace, {}}},
        {"Del", {Qt::Key_Delete, {}}},
        {"Esc", {Qt::Key_Escape, {}}},
        {"Left", {Qt::Key_Left, {}}},
        {"Right", {Qt::Key_Right, {}}},
        {"Home", {Qt::Key_Home, {}}},
        {"End", {Qt::Key_End, {}}},
        {"S-Left", {Qt::Key_Left, Qt::ShiftModifier}},
        {"S-Right", {Qt::Key_Right, Qt::ShiftModifier}},
        {"S-Home", {Qt::Key_Home, Qt::ShiftModifier}},
        {"S-End", {Qt::Key_End, Qt::ShiftModifier}},
        {"C-Left", {Qt::Key_Left, Qt::ControlModifier}},
        {"C-Right", {Qt::Key_Right, Qt::ControlModifier}},
        {"C-S-Right", {Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier}},
        {"C-A", {Qt::Key_A, Qt::ControlModifier}},
        {"C-C", {Qt::Key_C, Qt::ControlModifier}},
        {"C-V", {Qt::Key_V, Qt::ControlModifier}},
        {"C-X", {Qt::Key_X, Qt::ControlModifier}},
        {"C-Z", {Qt::Key_Z, Qt::ControlModifier}},
    };
    return keys;
}

// Types a script: plain characters, and key names in braces ("{Enter}").
void type(QWidget* w, const QString& script) {
    for (qsizetype i = 0; i < script.size(); ++i) {
        if (script[i] != u'{') {
            QTest::keyClick(w, script[i].toLatin1());
            continue;
        }
        const qsizetype close = script.indexOf(u'}', i);
        const QString name = script.mid(i + 1, close - i - 1);
        i = close;
        QVERIFY2(namedKeys().contains(name), qPrintable(name));
        const Key k = namedKeys().value(name);
        QTest::keyClick(w, k.key, k.modifiers);
    }
}

// Start and length of the selection; (0, 0) without one.
QPair<int, int> selection(const QLineEdit& edit) {
    if (!edit.hasSelectedText())
        return {0, 0};
    return {edit.selectionStart(), edit.selectionLength()};
}

} // namespace

class TestMinimumVoltageField : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    MinimumVoltageField* field = nullptr;
    QLineEdit* other = nullptr;
    int beeps = 0;
    BeepHandler previousBeep;

    void focus() {
        field->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(field->hasFocus());
    }

private slots:
    void initTestCase() {
        previousBeep = setBeepHandler([this] { ++beeps; });
        QApplication::setCursorFlashTime(0);
    }
    void cleanupTestCase() {
        setBeepHandler(previousBeep);
        QLocale::setDefault(QLocale::system());
    }

    void init() {
        QLocale::setDefault(QLocale::c());
        beeps = 0;
        QGuiApplication::clipboard()->clear();
        window = std::make_unique<QWidget>();
        other = new QLineEdit(window.get());
        field = new MinimumVoltageField(window.get());
        other->move(10, 10);
        field->setGeometry(10, 50, 80, 24);
        window->resize(200, 120);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        other->setFocus();
        QTRY_VERIFY(other->hasFocus());
    }
    void cleanup() { window.reset(); }

    void startsAtOneHundredthOfAVolt() {
        QCOMPARE(field->value(), 0.01);
        QCOMPARE(field->text(), QStringLiteral("0.01"));
        QCOMPARE(field->appliedText(), QStringLiteral("0.01"));
        QCOMPARE(field->focusPolicy(), Qt::StrongFocus);
        QCOMPARE(field->maxLength(), 6);
        QCOMPARE(field->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
        QCOMPARE(field->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(field->font().pixelSize(), 13);
        QVERIFY(!field->font().bold());
        // The text fits the 24 pixels the control window gives the field.
        QVERIFY2(field->sizeHint().height() <= 24,
                 qPrintable(QString::number(field->sizeHint().height())));
    }

    void typing_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("beeps");
        QTest::newRow("2.5 over the selection") << "2.5{Enter}"
                                                << "2.50" << 2.5 << 0;
        QTest::newRow("value keeps all decimals") << "2.567{Enter}"
                                                  << "2.57" << 2.567 << 0;
        QTest::newRow("3.3") << "3.3{Enter}"
                             << "3.30" << 3.3 << 0;
        QTest::newRow("keypad Enter") << "3.3{KpEnter}"
                                      << "3.30" << 3.3 << 0;
        QTest::newRow("negative") << "-4{Enter}"
                                  << "-4.00" << -4.0 << 0;
        QTest::newRow("point first") << ".5{Enter}"
                                     << "0.50" << 0.5 << 0;
        QTest::newRow("lone minus is undone") << "-{Enter}"
                                              << "0.01" << 0.01 << 0;
        QTest::newRow("1-2 is undone") << "1-2{Enter}"
                                       << "0.01" << 0.01 << 0;
        QTest::newRow("empty text is undone") << "{BS}{Enter}"
                                              << "0.01" << 0.01 << 0;
        QTest::newRow("letters and comma are dropped") << "a2,bxe{Enter}"
                                                       << "2.00" << 2.0 << 0;
        QTest::newRow("seventh character beeps") << "12.3456{Enter}"
                                                 << "12.35" << 12.345 << 1;
        QTest::newRow("without Enter nothing applies") << "5"
                                                       << "5" << 0.01 << 0;
        QTest::newRow("Esc undoes") << "5{Esc}"
                                    << "0.01" << 0.01 << 0;
        QTest::newRow("Ctrl+Z undoes") << "5{C-Z}"
                                       << "0.01" << 0.01 << 0;
        QTest::newRow("Esc undoes every edit") << "{End}5{BS}{BS}{Esc}"
                                               << "0.01" << 0.01 << 0;
        QTest::newRow("Ctrl+Z undoes every edit") << "{End}5{BS}{BS}{C-Z}"
                                                  << "0.01" << 0.01 << 0;
        QTest::newRow("Esc goes back to the last applied value") << "7{Enter}8{Esc}"
                                                                 << "7.00" << 7.0 << 0;
        QTest::newRow("append at the end") << "{End}5{Enter}"
                                           << "0.01" << 0.015 << 0;
        QTest::newRow("backspace then type") << "{End}{BS}9{Enter}"
                                             << "0.09" << 0.09 << 0;
        QTest::newRow("same value re-forms the text") << "{Home}{Del}{Enter}"
                                                      << "0.01" << 0.01 << 0;
        QTest::newRow("a value's text may be longer than six") << "1000{Enter}"
                                                               << "1000.00" << 1000.0 << 0;
        QTest::newRow("and takes no further character") << "-100{Enter}{End}1"
                                                        << "-100.00" << -100.0 << 1;
        QTest::newRow("Esc restores it whole") << "1000{Enter}{BS}{Esc}"
                                               << "1000.00" << 1000.0 << 0;
        QTest::newRow("two edits, one apply") << "7{Enter}{End}{BS}{BS}{BS}{BS}8{Enter}"
                                              << "8.00" << 8.0 << 0;
    }
    void typing() {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(double, value);
        QFETCH(int, beeps);
        focus();
        type(field, keys);
        QCOMPARE(field->text(), text);
        QCOMPARE(field->value(), value);
        QCOMPARE(this->beeps, beeps);
        if (keys.endsWith(u"Enter}"))
            QCOMPARE(field->appliedText(), text);
        // Enter, Esc and Ctrl+Z leave the number selected.
        if (keys.endsWith(u"Enter}") || keys.endsWith(u"{Esc}") || keys.endsWith(u"{C-Z}"))
            QCOMPARE(selection(*field), qMakePair(0, int(text.size())));
    }

    void lengthLimitCountsTheSelection() {
        focus();
        type(field, "12.345");
        QCOMPARE(field->text(), QStringLiteral("12.345"));
        type(field, "{C-A}");
        QCOMPARE(field->selectionLength(), 6);
        type(field, "7");
        QCOMPARE(beeps, 1);
        QCOMPARE(field->text(), QStringLiteral("12.345"));
        type(field, "{End}8");
        QCOMPARE(beeps, 2);
        // Refused characters do not count against the limit: no beep.
        type(field, "x");
        QCOMPARE(beeps, 2);
        // Deleting makes room again.
        type(field, "{BS}9{Enter}");
        QCOMPARE(field->value(), 12.349);
        QCOMPARE(beeps, 2);
    }

    // The editing keys are the line edit's own; the field must leave them be.
    void caretAndSelection_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        // Starts focused with "12.34" selected and the caret at its end. Where
        // Left or Right leave a selection, the caret goes where the platform
        // puts it (caret -1): by one, or to the selection's edge.
        QTest::newRow("focus selects the number") << ""
                                                  << "12.34" << 5 << 0 << 5;
        QTest::newRow("Home") << "{Home}"
                              << "12.34" << 0 << 0 << 0;
        QTest::newRow("Left drops the selection") << "{Left}"
                                                  << "12.34" << -1 << 0 << 0;
        QTest::newRow("Right stops at the end") << "{Right}{Right}"
                                                << "12.34" << 5 << 0 << 0;
        QTest::newRow("Left stops at the start") << "{Home}{Left}"
                                                 << "12.34" << 0 << 0 << 0;
        QTest::newRow("Shift+Left twice") << "{S-Left}{S-Left}"
                                          << "12.34" << 3 << 0 << 3;
        QTest::newRow("Shift+Left twice from the end") << "{End}{S-Left}{S-Left}"
                                                       << "12.34" << 3 << 3 << 2;
        QTest::newRow("Shift+End from 1") << "{Home}{Right}{S-End}"
                                          << "12.34" << 5 << 1 << 4;
        QTest::newRow("Shift+Home from 2") << "{Home}{Right}{Right}{S-Home}"
                                           << "12.34" << 0 << 0 << 2;
        QTest::newRow("back over the anchor") << "{Home}{Right}{Right}{S-Right}{S-Left}{S-Left}"
                                              << "12.34" << 1 << 1 << 1;
        QTest::newRow("Right without Shift drops it") << "{S-Left}{S-Left}{Right}"
                                                      << "12.34" << -1 << 0 << 0;
        QTest::newRow("a plain key sets a new anchor")
            << "{Home}{S-Right}{S-Right}{Home}{Right}{S-Right}"
            << "12.34" << 2 << 1 << 1;
        QTest::newRow("Ctrl+Left goes a word back") << "{C-Left}"
                                                    << "12.34" << 3 << 0 << 0;
        QTest::newRow("Ctrl+Left twice") << "{C-Left}{C-Left}{C-Left}"
                                         << "12.34" << 0 << 0 << 0;
        QTest::newRow("Ctrl+Right goes a word on") << "{Home}{C-Right}"
                                                   << "12.34" << 2 << 0 << 0;
        QTest::newRow("Ctrl+Shift+Right") << "{Home}{C-S-Right}"
                                          << "12.34" << 2 << 0 << 2;
        QTest::newRow("Delete after the caret") << "{Home}{Del}"
                                                << "2.34" << 0 << 0 << 0;
        QTest::newRow("Delete at the end") << "{End}{Del}"
                                           << "12.34" << 5 << 0 << 0;
        QTest::newRow("Delete the selection") << "{End}{S-Left}{S-Left}{Del}"
                                              << "12." << 3 << 0 << 0;
        QTest::newRow("Backspace before the caret") << "{End}{BS}"
                                                    << "12.3" << 4 << 0 << 0;
        QTest::newRow("Backspace at the start") << "{Home}{BS}"
                                                << "12.34" << 0 << 0 << 0;
        QTest::newRow("Backspace the selection") << "{Home}{Right}{S-Right}{S-Right}{BS}"
                                                 << "134" << 1 << 0 << 0;
        QTest::newRow("typing replaces the selection") << "{Home}{Right}{S-Right}9"
                                                       << "19.34" << 2 << 0 << 0;
        QTest::newRow("typing in the middle") << "{Home}{Right}0"
                                              << "102.34" << 2 << 0 << 0;
        QTest::newRow("Ctrl+A selects the number") << "{Home}{C-A}"
                                                   << "12.34" << 5 << 0 << 5;
    }
    void caretAndSelection() {
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        field->setValue(12.34);
        focus();
        type(field, keys);
        QCOMPARE(field->text(), text);
        if (caret >= 0)
            QCOMPARE(field->cursorPosition(), caret);
        QCOMPARE(selection(*field), qMakePair(selStart, selLength));
        QCOMPARE(field->value(), 12.34);
    }

    void copyCutPaste() {
        QClipboard* clip = QGuiApplication::clipboard();
        focus();
        type(field, "{C-C}");
        QCOMPARE(clip->text(), QStringLiteral("0.01"));
        clip->setText(QStringLiteral("keep"));
        type(field, "{End}{C-C}{C-X}");
        QCOMPARE(clip->text(), QStringLiteral("keep"));
        QCOMPARE(field->text(), QStringLiteral("0.01"));
        type(field, "{Home}{S-Right}{C-X}");
        QCOMPARE(clip->text(), QStringLiteral("0"));
        QCOMPARE(field->text(), QStringLiteral(".01"));
        QCOMPARE(field->cursorPosition(), 0);
        // Paste goes in at the caret.
        type(field, "{End}{C-V}");
        QCOMPARE(field->text(), QStringLiteral(".010"));
        QCOMPARE(field->cursorPosition(), 4);
        QCOMPARE(field->value(), 0.01);
    }

    // Pasted text is cut so that the field holds at most six characters; it
    // does not pass the filter of typed characters.
    void pasteIsCutToTheLimit_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("text");
        QTest::newRow("room for two") << "{End}{C-V}"
                                      << "123456"
                                      << "0.0112";
        QTest::newRow("the selection makes room") << "{Home}{S-Right}{C-V}"
                                                  << "98765"
                                                  << "987.01";
        QTest::newRow("full field takes nothing") << "12.345{End}{C-V}"
                                                  << "9"
                                                  << "12.345";
        QTest::newRow("bypasses the filter") << "{C-V}"
                                             << "a,c"
                                             << "a,c";
    }
    void pasteIsCutToTheLimit() {
        QFETCH(QString, keys);
        QFETCH(QString, clipboard);
        QFETCH(QString, text);
        QGuiApplication::clipboard()->setText(clipboard);
        focus();
        type(field, keys);
        QCOMPARE(field->text(), text);
        QCOMPARE(field->value(), 0.01);
        QCOMPARE(beeps, 0);
    }

    void pastedTextApplies_data() {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("number with blanks") << " 7.25 " << 7.25 << "7.25";
        QTest::newRow("exponent") << "1e3" << 1000.0 << "1000.00";
        QTest::newRow("not a number") << "ab" << 0.01 << "0.01";
        QTest::newRow("infinity") << "inf" << 0.01 << "0.01";
        QTest::newRow("nan") << "nan" << 0.01 << "0.01";
        QTest::newRow("too large") << "1e999" << 0.01 << "0.01";
        QTest::newRow("thousands separator") << "1,234" << 0.01 << "0.01";
    }
    void pastedTextApplies() {
        QFETCH(QString, clipboard);
        QFETCH(double, value);
        QFETCH(QString, text);
        QGuiApplication::clipboard()->setText(clipboard);
        focus();
        type(field, "{C-V}");
        QCOMPARE(field->text(), clipboard);
        type(field, "{Enter}");
        QCOMPARE(field->value(), value);
        QCOMPARE(field->text(), text);
        QCOMPARE(beeps, 0);
    }

    void leavingTheFieldApplies() {
        focus();
        type(field, "4.5");
        QCOMPARE(field->value(), 0.01);
        other->setFocus(Qt::MouseFocusReason);
        QTRY_VERIFY(!field->hasFocus());
        QCOMPARE(field->value(), 4.5);
        QCOMPARE(field->text(), QStringLiteral("4.50"));
        // Tab in selects the number; Tab out applies.
        QTest::keyClick(other, Qt::Key_Tab);
        QTRY_VERIFY(field->hasFocus());
        QCOMPARE(selection(*field), qMakePair(0, 4));
        type(field, "6");
        QTest::keyClick(field, Qt::Key_Tab);
        QTRY_VERIFY(!field->hasFocus());
        QCOMPARE(field->value(), 6.0);
        // The program giving the focus away applies as well; a text that is
        // not a number is undone.
        focus();
        type(field, "-");
        other->setFocus();
        QTRY_VERIFY(!field->hasFocus());
        QCOMPARE(field->value(), 6.0);
        QCOMPARE(field->text(), QStringLiteral("6.00"));
    }

    // Another window (a message box of the program, another program) taking
    // the focus is no leaving: the typed text waits, unapplied, and the field
    // has it when its window is active again.
    void anotherWindowAppliesNothing() {
        focus();
        type(field, "{End}5");
        QWidget box;
        box.resize(100, 50);
        box.show();
        box.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QTRY_VERIFY(!field->hasFocus());
        QCOMPARE(field->value(), 0.01);
        QCOMPARE(field->text(), QStringLiteral("0.015"));
        box.close();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_VERIFY(field->hasFocus());
        QCOMPARE(field->text(), QStringLiteral("0.015"));
        QCOMPARE(field->cursorPosition(), 5);
        type(field, "{Enter}");
        QCOMPARE(field->value(), 0.015);
    }

    // The right button opens the context menu; the menu taking the focus
    // applies nothing.
    void rightButtonOpensPopup() {
        focus();
        type(field, "{End}5");
        bool shown = false;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
            shown = true;
            QApplication::activePopupWidget()->close();
        });
        // Through the window, which turns the click into the context menu's
        // event as the platform's would.
        QTest::mouseClick(window->windowHandle(), Qt::RightButton, {},
                          field->mapTo(window.get(), QPoint(20, 10)));
        QTRY_VERIFY(shown);
        QCOMPARE(field->value(), 0.01);
        QCOMPARE(field->text(), QStringLiteral("0.015"));
        // The typed text waits in the field for Enter.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTRY_VERIFY(field->hasFocus());
        type(field, "{Enter}");
        QCOMPARE(field->value(), 0.015);
    }

    void mouse() {
        field->setValue(12.34);
        const int y = field->height() / 2;
        // A press focuses the field and puts the caret at the press.
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(field->width() - 4, y));
        QTRY_VERIFY(field->hasFocus());
        QCOMPARE(field->cursorPosition(), 5);
        QVERIFY(!field->hasSelectedText());
        // A double click selects the number.
        QTest::mouseDClick(field, Qt::LeftButton, {}, QPoint(15, y));
        QCOMPARE(selection(*field), qMakePair(0, 5));
        QCOMPARE(field->cursor().shape(), Qt::IBeamCursor);
        QCOMPARE(field->value(), 12.34);
    }

    void valueChanged() {
        QSignalSpy changed(field, &MinimumVoltageField::valueChanged);
        focus();
        type(field, "20{Enter}");
        type(field, "-5{Enter}");
        field->setValue(2);
        QCOMPARE(field->text(), QStringLiteral("2.00"));
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.at(0).at(0).toDouble(), 20.0);
        QCOMPARE(changed.at(1).at(0).toDouble(), -5.0);
        QCOMPARE(changed.at(2).at(0).toDouble(), 2.0);
        // Applying the present value again, or a text that is not a number,
        // or setting the present value, tells nobody.
        type(field, "{C-A}2{Enter}");
        type(field, "-{Enter}");
        field->setValue(2);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(field->value(), 2.0);
    }

    void decimalComma() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        auto* f = new MinimumVoltageField(window.get());
        f->show();
        QCOMPARE(f->text(), QStringLiteral("0,01"));
        f->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(f->hasFocus());
        type(f, "2,5{Enter}");
        QCOMPARE(f->value(), 2.5);
        QCOMPARE(f->text(), QStringLiteral("2,50"));
        // A point is taken as the decimal separator too.
        type(f, "1.25{Enter}");
        QCOMPARE(f->value(), 1.25);
        QCOMPARE(f->text(), QStringLiteral("1,25"));
        // Group separators are not: 1.234,5 is no number here.
        QGuiApplication::clipboard()->setText(QStringLiteral("1.234,5"));
        f->setMaxLength(32767);
        type(f, "{C-V}{Enter}");
        QCOMPARE(f->value(), 1.25);
        QCOMPARE(f->text(), QStringLiteral("1,25"));
    }

    void accessible() {
        // The caption above the field names it, through its buddy label.
        QLabel caption(QStringLiteral("Minimum Voltage:"), window.get());
        caption.setBuddy(field);
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(field);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::EditableText);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Minimum Voltage:"));
        QCOMPARE(a->text(QAccessible::Value), QStringLiteral("0.01"));
        QVERIFY(a->state().focusable);
    }
};

QTEST_MAIN(TestMinimumVoltageField)
#include "tst_minimumvoltagefield.moc"
