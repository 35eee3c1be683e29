#include "startup.h"

#include "ui/main/frmmain.h"

namespace culler {

std::function<void()> bringUpMainWindow(frmMain &window) {
    return [&window] {
        window.show();
        window.loadPatternList();
    };
}

} // namespace culler
