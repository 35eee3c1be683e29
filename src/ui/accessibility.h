#pragma once

// Names and descriptions for screen readers: every named control of a window speaks its caption
// (without the access-key marker) and its tool tip. Controls without a caption of their own, such
// as text boxes and lists, get the name the window gives them.

#include <QHash>
#include <QString>

class QWidget;

namespace culler {

void describeControls(QWidget &window, const QHash<QString, QString> &namesWithoutCaption = {});

} // namespace culler
