// Starts the editor: the Qt application and the main window.
#pragma once

namespace velmora {

int RunEditor(int argc, char** argv);

}  // namespace velmora
