#pragma once

// What the summary window needs from the window the request is typed into, and nothing more:
// the request as its controls hold it now, and the directory box emptied when the user cancels.
// The main window implements it; tests hand the summary a plain request instead.

#include "purge/purgerequest.h"

namespace culler {

class RequestSource {
public:
    virtual ~RequestSource() = default;
    // The request as the controls show it now.
    virtual PurgeRequest purgeRequest() const = 0;
    virtual void clearDirectoryText() = 0;
};

} // namespace culler
