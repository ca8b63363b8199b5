// A second connection to an office that the export started, for reading its
// documents back and for closing it afterwards.
#pragma once

#include "export/libreoffice/Uno.h"

#include <QList>

#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>

namespace tarvex {

class OfficeReader {
public:
    explicit OfficeReader(const QString& pipeName) {
        using namespace uno;
        const auto local = localContext();
        m_office = openBridge(local, css::connection::Connector::create(local)->connect(
                                         toUno(QStringLiteral("pipe,name=") + pipeName)));
    }
    ~OfficeReader() {
        m_office.desktop.clear();
        try {
            m_office.bridge->dispose();
        } catch (const uno::css::uno::Exception&) {
        }
    }
    OfficeReader(const OfficeReader&) = delete;
    OfficeReader& operator=(const OfficeReader&) = delete;

    QList<uno::Reference<uno::css::frame::XModel>> documents() const {
        using namespace uno;
        QList<Reference<css::frame::XModel>> models;
        auto e = m_office.desktop->getComponents()->createEnumeration();
        while (e->hasMoreElements())
            models.append(
                Reference<css::frame::XModel>(e->nextElement(), css::uno::UNO_QUERY_THROW));
        return models;
    }

    // Closes the documents unsaved and ends the office; it may drop the
    // connection while answering.
    void terminate() {
        using namespace uno;
        try {
            for (const auto& model : documents()) {
                Reference<css::util::XModifiable>(model, css::uno::UNO_QUERY_THROW)
                    ->setModified(false);
                Reference<css::util::XCloseable>(model, css::uno::UNO_QUERY_THROW)->close(true);
            }
            m_office.desktop->terminate();
        } catch (const css::uno::Exception&) {
        }
    }

private:
    uno::OfficeBridge m_office;
};

} // namespace tarvex
