// The progress shown while the photo or song list adds many files: the
// shared progress overlay on the main window, with its cancel button. It lets
// window events run while it advances.
#pragma once

#include <QWidget>
#include <memory>

#include "base/Progress.h"

namespace velmora {

std::unique_ptr<Progress> MakeListProgress(QWidget* window);

}  // namespace velmora
