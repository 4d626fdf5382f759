#include "app/shell.h"

#include <QtGlobal>


// Q_INIT_RESOURCE declares the generated initialiser at the scope it is used
// in, so it has to be called outside any namespace.
static void registerAvrtimerResources() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(avrtimer);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace app {

void initResources() { registerAvrtimerResources(); }

}  // namespace app
