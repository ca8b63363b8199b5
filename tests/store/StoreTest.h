// The base of the store's test classes: every test function runs against a
// scratch engine of its own (m_scratch), in the C locale.
#pragma once

#include "support/StoreFixture.h"

#include <QLocale>
#include <QObject>

#include <memory>

namespace tarvex {

class StoreTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<ScratchEngine> m_scratch;

private slots:
    void init() {
        m_scratch = std::make_unique<ScratchEngine>();
        QLocale::setDefault(QLocale::c());
    }
    void cleanup() {
        m_scratch.reset();
        QLocale::setDefault(QLocale::system());
    }
};

} // namespace tarvex
