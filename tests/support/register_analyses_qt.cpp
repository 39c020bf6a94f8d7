// The designer's test programs register the analyses when their application
// object is made, as the designer does at start-up.
#include <QCoreApplication>

#include "analyses/registration.h"

namespace {

void registerAnalyses() {
    qrv::RegisterAnalyses();
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(registerAnalyses)
