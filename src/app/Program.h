// The program's five windows, created in the order the program starts them:
// the control window, the query window, the report window, the About window
// and the port settings dialog. All of them live for the whole run.
#pragma once

#include <QString>

#include <memory>

namespace tarvex {

class TAbout;
class TComSet;
class TSerchRep;
class TSerchfrm;
class TTarvexForm;

struct TProgram {
    // Creates the windows; a window whose creation fails is shown by the
    // default exception display and left out. dataDirectory as for
    // TTarvexForm.
    explicit TProgram(const QString& dataDirectory = QString());
    ~TProgram();

    std::unique_ptr<TTarvexForm> TarvexForm;
    std::unique_ptr<TSerchfrm> Serchfrm;
    std::unique_ptr<TSerchRep> SerchRep;
    std::unique_ptr<TAbout> About;
    std::unique_ptr<TComSet> ComSet;
};

} // namespace tarvex
