#pragma once

// The message boxes a user sees: modal, one OK button, the icon the style asks for, over the
// window that is active.

#include "runtime/messages.h"

namespace culler {

class QtMessageBoxes final : public MessageBoxes {
public:
    void show(const Message &message) override;
    bool ask(const Message &message) override;
};

} // namespace culler
