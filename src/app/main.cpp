// Program entry: `velmora FILE.aps` and no arguments open the editor (with
// that project); other arguments run the headless command line.
#include <string>
#include <vector>

#include "app/cli/Cli.h"
#include "app/ui/EditorMain.h"

int main(int argc, char** argv) {
    if (argc > 1) {
        std::vector<std::string> args(argv + 1, argv + argc);
        if (velmora::cli::IsProjectFileToOpen(args))
            return velmora::RunEditor(argc, argv, args[0]);
        return velmora::cli::RunCommandLine(args);
    }
    return velmora::RunEditor(argc, argv);
}
