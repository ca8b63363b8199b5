#include "app/Program.h"

#include "control/Main.h"
#include "control/Setfrm.h"
#include "review/Aboutfrm.h"
#include "review/Queryfrm.h"
#include "review/Repfrm.h"
#include "ui/Application.h"

namespace tarvex {

TProgram::TProgram(const QString& dataDirectory) {
    guarded([&] { TarvexForm = std::make_unique<TTarvexForm>(dataDirectory); });
    guarded([&] { Serchfrm = std::make_unique<TSerchfrm>(); });
    guarded([&] { SerchRep = std::make_unique<TSerchRep>(); });
    guarded([&] { About = std::make_unique<TAbout>(); });
    guarded([&] { ComSet = std::make_unique<TComSet>(); });
    if (Serchfrm)
        Serchfrm->SetReportWindow(SerchRep.get());
    if (TarvexForm)
        TarvexForm->SetWindows({Serchfrm.get(), About.get(), ComSet.get()});
}

TProgram::~TProgram() = default;

} // namespace tarvex
