// What this program's UNO code shares: texts across the UNO boundary, the
// process's UNO runtime, and a bridge to an office over a connection.
#pragma once

#include <QString>

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/XConnection.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>
#include <rtl/ustring.hxx>

namespace tarvex {

namespace uno {

namespace css = com::sun::star;
using css::uno::Reference;
using rtl::OUString;

static_assert(sizeof(sal_Unicode) == sizeof(char16_t), "UNO strings are UTF-16");

// sal_Unicode is a 16-bit integer in the SDK build, not char16_t: texts cross
// as UTF-16 code units.
inline OUString toUno(const QString& text) {
    return OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()),
                    static_cast<sal_Int32>(text.size()));
}

inline QString fromUno(const OUString& text) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text.getStr()), text.getLength());
}

// The UNO runtime of this process, made on first use (from any thread) and
// kept for the rest of the run. Its type libraries are the office's: the
// office's bootstrap file is named for this process only (a bootstrap
// variable, not the environment, so that no office started from here sees
// it). Raises css::uno::Exception; a later call tries again.
inline Reference<css::uno::XComponentContext> localContext() {
    // Never released: the runtime lives until the process ends.
    static Reference<css::uno::XComponentContext>* const context = [] {
        rtl::Bootstrap::set(
            OUString("URE_BOOTSTRAP"),
            toUno(QStringLiteral("file://" TARVEX_LIBREOFFICE_PROGRAM_DIR "/fundamentalrc")));
        return new Reference<css::uno::XComponentContext>(
            cppu::defaultBootstrap_InitialComponentContext());
    }();
    return *context;
}

// A bridge of this process's own to an office, and the office's desktop.
// Disposing the bridge closes only this connection.
struct OfficeBridge {
    Reference<css::lang::XComponent> bridge;
    Reference<css::frame::XDesktop2> desktop;
};

inline OfficeBridge openBridge(const Reference<css::uno::XComponentContext>& local,
                               const Reference<css::connection::XConnection>& connection) {
    Reference<css::bridge::XBridge> bridge =
        css::bridge::BridgeFactory::create(local)->createBridge(OUString(), OUString("urp"),
                                                                connection, nullptr);
    OfficeBridge result;
    result.bridge.set(bridge, css::uno::UNO_QUERY_THROW);
    try {
        Reference<css::uno::XComponentContext> remote(
            bridge->getInstance(OUString("StarOffice.ComponentContext")),
            css::uno::UNO_QUERY_THROW);
        result.desktop = css::frame::Desktop::create(remote);
    } catch (...) {
        result.bridge->dispose();
        throw;
    }
    return result;
}

} // namespace uno

} // namespace tarvex
