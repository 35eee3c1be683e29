#pragma once

// The summary's count, made by the engine itself: a listing run of the request, which makes every
// decision a deleting run makes and removes nothing. So a file counted here is exactly a file
// Delete Old Files would remove at that moment, and a request the run would refuse is refused here
// with the same rule, in a few words.

#include "ui/summary/backgroundcount.h"

namespace culler {

class PurgePreview final : public RequestCounter {
public:
    RequestCount count(const PurgeRequest &request, const QDateTime &now, const QLocale &locale,
                       const std::atomic<bool> &stop) const override;
};

} // namespace culler
