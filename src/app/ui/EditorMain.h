// Starts the editor: the Qt application and the main window.
#pragma once

#include <string>

namespace velmora {

// projectFile (may be empty): a project to open once the window shows, the
// way the open command opens it.
int RunEditor(int argc, char** argv, const std::string& projectFile = "");

}  // namespace velmora
