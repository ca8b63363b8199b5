#include "errors/Errors.h"
#include "ui/MessageBoxes.h"
#include "widgets/NumberField.h"

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
#include <QVBoxLayout>

#include <memory>

using namespace tarvex;

namespace {

// The minimum-voltage field of the control window.
void setUpAsMinimumVoltage(NumberField& f) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    f.setTextFont(font);
    QFont errorFont(QStringLiteral("MS Sans Serif"));
    errorFont.setPixelSize(11);
    errorFont.setBold(true);
    f.setErrorFont(errorFont);
    f.setPrecision(2);
    f.setMaxLength(6);
    f.setAlignment(Qt::AlignLeft);
    f.setValue(0.01);
}

struct Key {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

// Names of the keys that the scripts below write in braces.
const QHash<QString, Key>& namedKeys() {
    static const QHash<QString, Key> keys{
        {"Enter", {Qt::Key_Return, {}}},
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

QAction* item(QMenu& menu, const QString& caption) {
    for (QAction* a : menu.actions())
        if (a->text() == caption)
            return a;
    return nullptr;
}

// Columns of the image that hold a pixel of the given colour in rows top..bottom.
QList<int> columnsWith(const QImage& image, const QColor& color, int top, int bottom) {
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x)
        for (int y = top; y <= bottom; ++y)
            if (image.pixel(x, y) == color.rgb()) {
                columns << x;
                break;
            }
    return columns;
}

QColor inverse(const QColor& c) {
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}

} // namespace

class TestNumberField : public QObject {
    Q_OBJECT

    std::unique_ptr<QWidget> window;
    NumberField* field = nullptr;
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
        field = new NumberField(window.get());
        setUpAsMinimumVoltage(*field);
        other->move(10, 10);
        field->move(10, 50);
        field->resize(80, field->height());
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
    }

    void classDefaults() {
        NumberField f;
        QCOMPARE(f.value(), 0.0);
        QCOMPARE(f.precision(), 1);
        QCOMPARE(f.text(), QStringLiteral("0.0"));
        QCOMPARE(f.inputFilter(), InputFilter::Auto);
        QVERIFY(f.undoOnError());
        QVERIFY(!f.beepOnError());
        QCOMPARE(f.maxLength(), 0);
        QCOMPARE(f.alignment(), Qt::AlignHCenter);
        QVERIFY(f.autoSelect());
        QVERIFY(f.textFont().bold());
        QCOMPARE(f.borderStyle(), BevelStyle::Lowered);
        QVERIFY(!f.isErrorActive());
        QCOMPARE(f.errorText(), QStringLiteral("Error"));
        QCOMPARE(f.errorTextColor(), QColor(Qt::red));
        QVERIFY(f.errorFont().bold());
        QCOMPARE(f.errorBackgroundColor(), QColor(Qt::black));
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
        QTest::newRow("append at the end") << "{End}5{Enter}"
                                           << "0.01" << 0.015 << 0;
        QTest::newRow("backspace then type") << "{End}{BS}9{Enter}"
                                             << "0.09" << 0.09 << 0;
        QTest::newRow("same value re-forms the text") << "{Home}{Del}{Enter}"
                                                      << "0.01" << 0.01 << 0;
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
        if (keys.endsWith(u"{Enter}")) {
            QCOMPARE(field->appliedText(), text);
            // Enter leaves the number selected.
            QCOMPARE(field->selectionStart(), 0);
            QCOMPARE(field->selectionLength(), text.size());
        }
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

    void caretAndSelection_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        // Starts focused with "12.34" selected and the caret at its end.
        QTest::newRow("focus selects the number") << ""
                                                  << "12.34" << 5 << 0 << 5;
        QTest::newRow("Home") << "{Home}"
                              << "12.34" << 0 << 0 << 0;
        QTest::newRow("Left drops the selection") << "{Left}"
                                                  << "12.34" << 4 << 0 << 0;
        QTest::newRow("Right stops at the end") << "{Right}{Right}"
                                                << "12.34" << 5 << 0 << 0;
        QTest::newRow("Left stops at the start") << "{Home}{Left}"
                                                 << "12.34" << 0 << 0 << 0;
        QTest::newRow("Shift+Left twice") << "{S-Left}{S-Left}"
                                          << "12.34" << 3 << 3 << 2;
        QTest::newRow("Shift+End from 1") << "{Home}{Right}{S-End}"
                                          << "12.34" << 5 << 1 << 4;
        QTest::newRow("Shift+Home from 2") << "{Home}{Right}{Right}{S-Home}"
                                           << "12.34" << 0 << 0 << 2;
        QTest::newRow("back over the anchor") << "{Home}{Right}{Right}{S-Right}{S-Left}{S-Left}"
                                              << "12.34" << 1 << 1 << 1;
        QTest::newRow("Right without Shift drops it") << "{S-Left}{S-Left}{Right}"
                                                      << "12.34" << 4 << 0 << 0;
        QTest::newRow("a plain key sets a new anchor") << "{Home}{S-Right}{S-Right}{Right}{S-Right}"
                                                       << "12.34" << 4 << 3 << 1;
        QTest::newRow("Ctrl+Left is Home") << "{C-Left}"
                                           << "12.34" << 0 << 0 << 0;
        QTest::newRow("Ctrl+Right is End") << "{Home}{C-Right}"
                                           << "12.34" << 5 << 0 << 0;
        QTest::newRow("Ctrl+Shift+Right") << "{Home}{C-S-Right}"
                                          << "12.34" << 5 << 0 << 5;
        QTest::newRow("Delete after the caret") << "{Home}{Del}"
                                                << "2.34" << 0 << 0 << 0;
        QTest::newRow("Delete at the end") << "{End}{Del}"
                                           << "12.34" << 5 << 0 << 0;
        QTest::newRow("Delete the selection") << "{S-Left}{S-Left}{Del}"
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
        QCOMPARE(field->cursorPosition(), caret);
        QCOMPARE(field->selectionStart(), selStart);
        QCOMPARE(field->selectionLength(), selLength);
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
    }

    void pasteIsCutToTheLimit_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("text");
        QTest::newRow("room for two") << "{End}{C-V}"
                                      << "123456"
                                      << "0.0112";
        QTest::newRow("selection counts as present text") << "{Home}{S-Right}{C-V}"
                                                          << "987"
                                                          << "98.01";
        QTest::newRow("full field takes nothing") << "12.345{End}{C-V}"
                                                  << "9"
                                                  << "12.345";
        QTest::newRow("bypasses the filter") << "{C-V}"
                                             << "a,c"
                                             << "a,";
    }
    void pasteIsCutToTheLimit() {
        QFETCH(QString, keys);
        QFETCH(QString, clipboard);
        QFETCH(QString, text);
        QGuiApplication::clipboard()->setText(clipboard);
        focus();
        type(field, keys);
        QCOMPARE(field->text(), text);
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
        field->setMaxLength(0);
        QGuiApplication::clipboard()->setText(clipboard);
        focus();
        type(field, "{C-V}{Enter}");
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
        QCOMPARE(field->selectionLength(), 4);
        type(field, "6");
        QTest::keyClick(field, Qt::Key_Tab);
        QTRY_VERIFY(!field->hasFocus());
        QCOMPARE(field->value(), 6.0);
    }

    void undoWithoutAutoSelect() {
        field->setAutoSelect(false);
        focus();
        QCOMPARE(field->selectionLength(), 0);
        type(field, "{End}7{Esc}");
        QCOMPARE(field->text(), QStringLiteral("0.01"));
        QCOMPARE(field->cursorPosition(), 0);
        QCOMPARE(field->selectionLength(), 0);
    }

    void popupItems_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<bool>("error");
        // Apply, Undo, Cut, Copy, Paste, Delete, Select All
        QTest::addColumn<QList<bool>>("enabled");
        QTest::newRow("fresh, number selected")
            << ""
            << "" << false << QList<bool>{false, false, true, true, false, true, false};
        QTest::newRow("edited, clipboard text")
            << "{End}5"
            << "x" << false << QList<bool>{true, true, false, false, true, false, true};
        QTest::newRow("part selected")
            << "{S-Left}"
            << "x" << false << QList<bool>{false, false, true, true, true, true, true};
        QTest::newRow("error face")
            << "{End}5"
            << "x" << true << QList<bool>{false, false, false, true, false, false, true};
    }
    void popupItems() {
        QFETCH(QString, keys);
        QFETCH(QString, clipboard);
        QFETCH(bool, error);
        QFETCH(QList<bool>, enabled);
        if (!clipboard.isEmpty())
            QGuiApplication::clipboard()->setText(clipboard);
        focus();
        type(field, keys);
        field->setErrorActive(error);
        const std::unique_ptr<QMenu> menu = field->createPopupMenu();
        QStringList captions;
        QList<bool> states;
        for (QAction* a : menu->actions()) {
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
            if (!a->isSeparator())
                states << a->isEnabled();
        }
        QCOMPARE(captions, (QStringList{"Apply", "Undo", "-", "Cut", "Copy", "Paste", "Delete", "-",
                                        "Select All"}));
        QCOMPARE(states, enabled);
    }

    void popupActions() {
        QClipboard* clip = QGuiApplication::clipboard();
        focus();
        type(field, "{End}5");
        {
            const std::unique_ptr<QMenu> menu = field->createPopupMenu();
            item(*menu, "Apply")->trigger();
        }
        QCOMPARE(field->value(), 0.015);
        QCOMPARE(field->selectionLength(), 4);
        type(field, "9");
        {
            const std::unique_ptr<QMenu> menu = field->createPopupMenu();
            item(*menu, "Undo")->trigger();
        }
        QCOMPARE(field->text(), QStringLiteral("0.01"));
        QCOMPARE(field->value(), 0.015);
        type(field, "{Home}{S-Right}");
        {
            const std::unique_ptr<QMenu> menu = field->createPopupMenu();
            item(*menu, "Copy")->trigger();
            item(*menu, "Delete")->trigger();
        }
        QCOMPARE(clip->text(), QStringLiteral("0"));
        QCOMPARE(field->text(), QStringLiteral(".01"));
        {
            const std::unique_ptr<QMenu> menu = field->createPopupMenu();
            item(*menu, "Paste")->trigger();
            item(*menu, "Select All")->trigger();
        }
        QCOMPARE(field->text(), QStringLiteral("0.01"));
        QCOMPARE(field->selectionLength(), 4);
        {
            const std::unique_ptr<QMenu> menu = field->createPopupMenu();
            item(*menu, "Cut")->trigger();
        }
        QCOMPARE(field->text(), QString());
        QCOMPARE(clip->text(), QStringLiteral("0.01"));
        // The error face copies its text.
        field->setErrorActive(true);
        type(field, "{C-C}");
        QCOMPARE(clip->text(), QStringLiteral("Error"));
        // and takes no edits.
        type(field, "5{C-V}{Enter}");
        QCOMPARE(field->text(), QString());
        QCOMPARE(field->value(), 0.015);
    }

    // The right button opens the menu; the menu taking the focus applies nothing.
    void rightButtonOpensPopup() {
        focus();
        type(field, "{End}5");
        QStringList captions;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            for (QAction* a : menu->actions())
                if (!a->isSeparator())
                    captions << a->text();
            menu->close();
        });
        QTest::mouseClick(field, Qt::RightButton, {}, QPoint(20, 10));
        QTRY_COMPARE(captions.size(), 7);
        QCOMPARE(field->value(), 0.01);
        QCOMPARE(field->text(), QStringLiteral("0.015"));
        QCOMPARE(field->selectionLength(), 0);
    }

    void mouseCaretAndSelection() {
        field->setMaxLength(0);
        field->setValue(12.34);
        const int y = field->height() / 2;
        // A press on a field without focus focuses it; the caret goes to the press.
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(field->caretX(1) - 1, y));
        QTRY_VERIFY(field->hasFocus());
        QCOMPARE(field->cursorPosition(), 1);
        QCOMPARE(field->selectionLength(), 0);
        // Nearest boundary: left of a character's middle goes before it.
        for (int i = 0; i < 5; ++i) {
            const int left = field->caretX(i), right = field->caretX(i + 1);
            QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(left + (right - left) / 2 - 1, y));
            QCOMPARE(field->cursorPosition(), i);
            QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(right - (right - left) / 2 + 1, y));
            QCOMPARE(field->cursorPosition(), i + 1);
        }
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(field->width() - 4, y));
        QCOMPARE(field->cursorPosition(), 5);
        // Dragging selects from the press to the pointer, either way.
        QTest::mousePress(field, Qt::LeftButton, {}, QPoint(field->caretX(1), y));
        QMouseEvent move(QEvent::MouseMove, QPointF(field->caretX(4), y),
                         field->mapToGlobal(QPointF(field->caretX(4), y)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field, &move);
        QCOMPARE(field->selectionStart(), 1);
        QCOMPARE(field->selectionLength(), 3);
        QCOMPARE(field->cursorPosition(), 4);
        QMouseEvent back(QEvent::MouseMove, QPointF(field->caretX(0), y),
                         field->mapToGlobal(QPointF(field->caretX(0), y)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(field, &back);
        QCOMPARE(field->selectionStart(), 0);
        QCOMPARE(field->selectionLength(), 1);
        QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(field->caretX(0), y));
        // Moving without the button selects nothing more.
        QMouseEvent hover(QEvent::MouseMove, QPointF(field->caretX(5), y),
                          field->mapToGlobal(QPointF(field->caretX(5), y)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(field, &hover);
        QCOMPARE(field->selectionLength(), 1);
        QTest::mouseDClick(field, Qt::LeftButton, {}, QPoint(field->caretX(2), y));
        QCOMPARE(field->selectionStart(), 0);
        QCOMPARE(field->selectionLength(), 5);
        QCOMPARE(field->cursor().shape(), Qt::IBeamCursor);
    }

    void filterSettings() {
        focus();
        field->setBeepOnError(true);
        type(field, "x");
        QCOMPARE(beeps, 1);
        QCOMPARE(field->selectionLength(), 4);
        field->setPrecision(0);
        QCOMPARE(field->text(), QStringLiteral("0"));
        type(field, "{End}.");
        QCOMPARE(beeps, 2);
        field->setInputFilter(InputFilter::None);
        type(field, "x.");
        QCOMPARE(field->text(), QStringLiteral("0x."));
        QCOMPARE(beeps, 2);
        // An undone entry beeps too.
        type(field, "{Enter}");
        QCOMPARE(field->text(), QStringLiteral("0"));
        QCOMPARE(beeps, 3);
    }

    void unitsText() {
        field->setUnitsText(QStringLiteral("   "));
        QCOMPARE(field->unitsText(), QString());
        field->setUnitsText(QStringLiteral("mV"));
        QCOMPARE(field->text(), QStringLiteral("0.01mV"));
        field->setMaxLength(0);
        focus();
        // The number is selected without its unit.
        QCOMPARE(field->selectionLength(), 4);
        type(field, "3MxV{Enter}");
        QCOMPARE(field->value(), 3.0);
        QCOMPARE(field->text(), QStringLiteral("3.00mV"));
        type(field, "{End}{BS}{BS}Mv{Enter}");
        QCOMPARE(field->value(), 3.0);
        QCOMPARE(field->text(), QStringLiteral("3.00mV"));
    }

    void clampAndNotifications() {
        field->setMaximum(10);
        field->setMinimum(-1);
        QSignalSpy changed(field, &NumberField::valueChanged);
        QSignalSpy changedByUser(field, &NumberField::valueEdited);
        QSignalSpy askedByField(field, &NumberField::valueAboutToChange);
        QList<QPair<double, double>> asked, askedUser;
        const auto recordChange = connect(field, &NumberField::valueAboutToChange, this,
                                          [&](double oldValue, double* newValue, bool*) {
                                              asked.append({oldValue, *newValue});
                                          });
        connect(field, &NumberField::valueAboutToBeEdited, this,
                [&](double oldValue, double* newValue, bool*) {
                    askedUser.append({oldValue, *newValue});
                });
        focus();
        type(field, "20{Enter}");
        QCOMPARE(field->value(), 10.0);
        QCOMPARE(field->text(), QStringLiteral("10.00"));
        type(field, "-5{Enter}");
        QCOMPARE(field->value(), -1.0);
        field->setValue(2);
        QCOMPARE(field->text(), QStringLiteral("2.00"));
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changedByUser.count(), 2);
        QCOMPARE(askedByField.count(), asked.size());
        QCOMPARE(asked, (QList<QPair<double, double>>{{0.01, 10}, {10, -1}, {-1, 2}}));
        QCOMPARE(askedUser, (QList<QPair<double, double>>{{0.01, 10}, {10, -1}}));
        // The notifications carry the new value.
        QCOMPARE(changed.at(2).at(0).toDouble(), 2.0);
        QCOMPARE(changedByUser.at(1).at(0).toDouble(), -1.0);
        // Applying the present value again asks nobody.
        type(field, "{C-A}2{Enter}");
        QCOMPARE(changed.count(), 3);

        // A slot may alter the number (clamped again) or refuse it.
        disconnect(recordChange);
        const auto tenfold = connect(field, &NumberField::valueAboutToChange, this,
                                     [](double, double* newValue, bool*) { *newValue *= 10; });
        type(field, "0.5{Enter}");
        QCOMPARE(field->value(), 5.0);
        type(field, "3{Enter}");
        QCOMPARE(field->value(), 10.0);
        disconnect(tenfold);
        connect(field, &NumberField::valueAboutToChange, this,
                [](double, double*, bool* canChange) { *canChange = false; });
        type(field, "4{Enter}");
        QCOMPARE(field->value(), 10.0);
        QCOMPARE(field->text(), QStringLiteral("10.00"));
        QCOMPARE(field->appliedText(), QStringLiteral("10.00"));
    }

    void conversionErrorWithoutUndo() {
        field->setUndoOnError(false);
        focus();
        type(field, "-");
        try {
            field->apply();
            QFAIL("no error raised");
        } catch (const ConversionError& e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                     QStringLiteral("'-' is not a valid floating point value"));
        }
        QCOMPARE(field->value(), 0.01);
        QCOMPARE(field->text(), QStringLiteral("-"));
    }

    void decimalComma() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        NumberField* f = new NumberField(window.get());
        setUpAsMinimumVoltage(*f);
        f->show();
        QCOMPARE(f->text(), QStringLiteral("0,01"));
        f->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(f->hasFocus());
        type(f, "2,5{Enter}");
        QCOMPARE(f->value(), 2.5);
        QCOMPARE(f->text(), QStringLiteral("2,50"));
        type(f, "1.25{Enter}");
        QCOMPARE(f->value(), 1.25);
        QCOMPARE(f->text(), QStringLiteral("1,25"));
        QGuiApplication::clipboard()->setText(QStringLiteral("1.234,5"));
        f->setMaxLength(0);
        type(f, "{C-V}{Enter}");
        QCOMPARE(f->value(), 1.25);
    }

    void autoHeight_data() {
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<int>("border");
        QTest::newRow("protect") << 13 << int(BevelStyle::Lowered);
        QTest::newRow("no border") << 13 << int(BevelStyle::None);
        QTest::newRow("large") << 30 << int(BevelStyle::Raised);
    }
    void autoHeight() {
        QFETCH(int, pixelSize);
        QFETCH(int, border);
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPixelSize(pixelSize);
        field->setTextFont(font);
        field->setBorderStyle(BevelStyle(border));
        const int b = BevelStyle(border) == BevelStyle::None ? 0 : 2;
        QCOMPARE(field->height(), QFontMetrics(font).height() + 2 * b + 4);
        QCOMPARE(field->width(), 80);
        field->setAutoSize(false);
        field->setTextFont(QFont());
        QCOMPARE(field->height(), QFontMetrics(font).height() + 2 * b + 4);
    }

    void drawnText_data() {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("margin");
        QTest::newRow("left") << int(Qt::AlignLeft) << 0;
        QTest::newRow("left, margin 5") << int(Qt::AlignLeft) << 5;
        QTest::newRow("centre") << int(Qt::AlignHCenter) << 0;
        QTest::newRow("right") << int(Qt::AlignRight) << 0;
        QTest::newRow("right, margin 5") << int(Qt::AlignRight) << 5;
    }
    void drawnText() {
        QFETCH(int, alignment);
        QFETCH(int, margin);
        field->setAlignment(Qt::Alignment::fromInt(alignment));
        field->setAlignmentMargin(margin);
        field->setTextColor(Qt::black);
        field->setBackgroundColor(Qt::white);
        const QImage image = field->grab().toImage();
        const QFontMetrics fm(field->textFont());
        const int textWidth = fm.horizontalAdvance(QStringLiteral("0.01"));
        const int W = field->width();
        int left = 0;
        if (alignment == Qt::AlignLeft)
            left = 2 + margin + 1;
        else if (alignment == Qt::AlignRight)
            left = W - 2 - margin - 2 - textWidth;
        else
            left = W / 2 + textWidth / 2 - textWidth;
        QCOMPARE(field->caretX(0), left);
        // Ink (pure text colour) lies within the text's box, rows 3 on.
        const QList<int> ink = columnsWith(image, Qt::black, 3, field->height() - 3);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.first() >= left && ink.first() <= left + 3,
                 qPrintable(QString::number(ink.first())));
        QVERIFY(ink.last() < left + textWidth && ink.last() >= left + textWidth - 4);
        for (int y = 2; y < field->height() - 2; ++y)
            QCOMPARE(image.pixelColor(W - 3, y), QColor(Qt::white));
        // Sunken border.
        QCOMPARE(image.pixel(10, 0), field->palette().color(QPalette::Dark).rgb());
        QCOMPARE(image.pixel(10, field->height() - 1),
                 field->palette().color(QPalette::Light).rgb());
    }

    void drawnSelectionAndCaret() {
        field->setTextColor(Qt::blue);
        const QColor base = field->backgroundColor();
        const QColor highlight = field->palette().color(QPalette::Highlight);
        const int h = QFontMetrics(field->textFont()).height();
        QImage image = field->grab().toImage();
        QVERIFY(columnsWith(image, highlight, 0, field->height() - 1).isEmpty());
        QVERIFY(columnsWith(image, inverse(base), 3, 3 + h - 1).isEmpty());

        focus();
        image = field->grab().toImage();
        // The selected number on the highlight colour, its first row at y 3.
        const QList<int> selected = columnsWith(image, highlight, 3, 3);
        QVERIFY(!selected.isEmpty());
        QCOMPARE(selected.first(), field->caretX(0));
        QVERIFY(selected.last() < field->caretX(4) && selected.last() >= field->caretX(4) - 2);
        QCOMPARE(image.pixel(field->caretX(0), 3 + h - 1), highlight.rgb());
        QCOMPARE(image.pixel(field->caretX(0), 3 + h), base.rgb());
        QCOMPARE(image.pixel(field->caretX(0), 2), base.rgb());

        // The caret: one inverted column from y 3, as high as the text.
        type(field, "{Home}{Right}");
        image = field->grab().toImage();
        QVERIFY(columnsWith(image, highlight, 0, field->height() - 1).isEmpty());
        const int x = field->caretX(1);
        QCOMPARE(image.pixel(x, 3), inverse(base).rgb());
        QVERIFY(image.pixel(x, 3 + h - 1) != base.rgb());
        QCOMPARE(image.pixel(x, 3 + h), base.rgb());
        QCOMPARE(image.pixel(x, 2), base.rgb());

        // The error face: its colours, no caret, no selection.
        field->setErrorActive(true);
        type(field, "{C-A}");
        image = field->grab().toImage();
        QCOMPARE(image.pixelColor(field->width() - 4, field->height() / 2), QColor(Qt::black));
        QVERIFY(!columnsWith(image, Qt::red, 3, field->height() - 3).isEmpty());
        QVERIFY(columnsWith(image, highlight, 0, field->height() - 1).isEmpty());
        // No inverted caret column inside the border.
        for (int x : columnsWith(image, Qt::white, 3, 3 + h - 1))
            QVERIFY2(x < 2 || x >= field->width() - 2, qPrintable(QString::number(x)));
    }

    void longTextScrolls() {
        field->setMaxLength(0);
        field->resize(40, field->height());
        focus();
        type(field, "1234567890123");
        QVERIFY(field->firstVisibleChar() > 0);
        const int caret = field->caretX(field->cursorPosition());
        QVERIFY(caret <= field->width() - 2);
        QVERIFY(caret > field->width() / 2);
        type(field, "{Home}");
        QCOMPARE(field->firstVisibleChar(), 0);
        QCOMPARE(field->caretX(0), 3);
        type(field, "{End}");
        QVERIFY(field->firstVisibleChar() > 0);
        // Widening the field shows the whole text from its first character.
        field->resize(300, field->height());
        QCOMPARE(field->firstVisibleChar(), 0);
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

QTEST_MAIN(TestNumberField)
#include "tst_numberfield.moc"
