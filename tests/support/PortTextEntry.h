// Puts a port name into the port settings dialog's "Comm Port" in each of
// the ways a text can get there. Needs tarvex_control.
#pragma once

#include "control/PortSettingsDialog.h"
#include "support/WindowFinder.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

namespace tarvex {

// The ways, as put into putPortText: "keys", "paste", "input method",
// "accessibility", "--port", "list" (a choice among the entries).
inline const QStringList kPortTextWays = {
    QStringLiteral("keys"),          QStringLiteral("paste"),  QStringLiteral("input method"),
    QStringLiteral("accessibility"), QStringLiteral("--port"), QStringLiteral("list")};

// Puts text into "Comm Port" the way an operator (or a tool acting for one)
// can: keys, the clipboard, an input method's commit, assistive technology
// setting the editor's text (no key events), --port, a choice in the list.
inline void putPortText(PortSettingsDialog& dialog, const QString& way, const QString& text) {
    QComboBox* portBox = child<QComboBox>(&dialog, "portBox");
    QLineEdit* editor = portBox->lineEdit();
    if (way == QLatin1String("keys")) {
        editor->selectAll();
        QTest::keyClicks(editor, text);
    } else if (way == QLatin1String("paste")) {
        QGuiApplication::clipboard()->setText(text);
        editor->selectAll();
        editor->paste();
    } else if (way == QLatin1String("input method")) {
        editor->selectAll();
        editor->del();
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(editor, &commit);
    } else if (way == QLatin1String("accessibility")) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(editor);
        QVERIFY(accessible);
        accessible->setText(QAccessible::Value, text);
    } else if (way == QLatin1String("--port")) {
        dialog.setPortName(text);
    } else {
        const int index = portBox->findText(text);
        QVERIFY(index >= 0);
        portBox->setCurrentIndex(index);
    }
}

} // namespace tarvex
