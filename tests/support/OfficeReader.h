// A second connection to an office that the export started, for reading its
// documents back and for closing it afterwards.
#pragma once

#include "review/libreoffice/Uno.h"

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
        const auto local = LocalContext();
        office_ = OpenBridge(local, css::connection::Connector::create(local)->connect(
                                        ToUno(QStringLiteral("pipe,name=") + pipeName)));
    }
    ~OfficeReader() {
        office_.desktop.clear();
        try {
            office_.bridge->dispose();
        } catch (const uno::css::uno::Exception&) {
        }
    }
    OfficeReader(const OfficeReader&) = delete;
    OfficeReader& operator=(const OfficeReader&) = delete;

    QList<uno::Reference<uno::css::frame::XModel>> Documents() const {
        using namespace uno;
        QList<Reference<css::frame::XModel>> models;
        auto e = office_.desktop->getComponents()->createEnumeration();
        while (e->hasMoreElements())
            models.append(
                Reference<css::frame::XModel>(e->nextElement(), css::uno::UNO_QUERY_THROW));
        return models;
    }

    // Closes the documents unsaved and ends the office; it may drop the
    // connection while answering.
    void Terminate() {
        using namespace uno;
        try {
            for (const auto& model : Documents()) {
                Reference<css::util::XModifiable>(model, css::uno::UNO_QUERY_THROW)
                    ->setModified(false);
                Reference<css::util::XCloseable>(model, css::uno::UNO_QUERY_THROW)->close(true);
            }
            office_.desktop->terminate();
        } catch (const css::uno::Exception&) {
        }
    }

private:
    uno::OfficeBridge office_;
};

} // namespace tarvex
