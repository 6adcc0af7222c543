// The progress shown while the photo or song list adds many files: the
// builder's progress overlay on the main window when the program has it,
// else a window-modal progress dialog with a cancel button. Either form
// lets window events run while it advances.
#pragma once

#include <QWidget>
#include <memory>

#include "base/Progress.h"

namespace velmora {

std::unique_ptr<Progress> MakeListProgress(QWidget* window);

}  // namespace velmora
