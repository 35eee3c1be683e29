#include "startup.h"

#include "ui/main/frmmain.h"

namespace culler {

std::function<void()> bringUpMainWindow(frmMain &window) {
    return [&window] {
        window.Form_Load();
        window.show();
        window.loadPatternList();
    };
}

} // namespace culler
