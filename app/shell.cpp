#include "app/shell.h"


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

QIcon applicationIcon() {
    initResources();
    QIcon icon;
    for (int size : {16, 32, 128})
        icon.addFile(":/icons/avrtimer-" + QString::number(size) + ".png");
    return icon;
}

}  // namespace app
