// Program entry: with arguments, the headless command line; without, the
// editor's main window.
#include <string>
#include <vector>

#include "app/cli/Cli.h"
#include "app/ui/EditorMain.h"

int main(int argc, char** argv) {
    if (argc > 1) {
        std::vector<std::string> args(argv + 1, argv + argc);
        return velmora::cli::RunCommandLine(args);
    }
    return velmora::RunEditor(argc, argv);
}
