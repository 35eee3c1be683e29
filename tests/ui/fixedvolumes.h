#pragma once

// Volumes the window tests set, in place of the machine's mounted ones.

#include "runtime/drives.h"

namespace culler::test {

class FixedVolumes final : public VolumeSource {
public:
    QList<Volume> volumes() const override { return list; }
    QList<Volume> list;
};

} // namespace culler::test
