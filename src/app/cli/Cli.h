// The command line beside the editor: `velmora SUBCOMMAND ...` does the
// editor's jobs headless. Each group of subcommands lives in its own file in
// this folder and is listed once in Commands.cpp.
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace velmora {
class PropertyBag;
}

namespace velmora::cli {

using Args = std::span<const std::string>;  // the arguments after the group name

// Signature of a subcommand group: returns the process exit status.
using CommandFn = int (*)(Args args);

struct Command {
    const char* name;   // first word on the command line
    const char* usage;  // lines of usage text for --help, each starting with the name
    CommandFn run;
};

// Every group, in --help order.
std::span<const Command> Commands();

// Runs argv[1..]; returns the exit status. Called before any GUI starts.
int RunCommandLine(const std::vector<std::string>& args);

// `velmora FILE.aps`: one argument that is no subcommand and names a project
// file (a name ending in .aps, or any existing file) is opened in the editor.
bool IsProjectFileToOpen(const std::vector<std::string>& args);

// Prints a message to standard error (UTF-8) with a newline.
void Error(const std::string& message);

// Usage error for a group: prints its usage and returns 2.
int UsageError(const char* group);

// Prints a store's values in the line format of `settings dump`.
void PrintSettings(const PropertyBag& bag, std::ostream& out);

// Group entry points (one per file).
int RunSettingsCommand(Args args);
int RunPackCommand(Args args);
int RunDemoCommand(Args args);
int RunMp3InfoCommand(Args args);
int RunDurationCommand(Args args);
int RunTimingCommand(Args args);
int RunDecodeCommand(Args args);
int RunSoundtrackCommand(Args args);
int RunImageCommand(Args args);
int RunComposeCommand(Args args);
int RunProjectCommand(Args args);
int RunBuildCommand(Args args);
int RunPackageCommand(Args args);
int RunLrcCommand(Args args);
int RunTextCommand(Args args);
int RunTransitionCommand(Args args);
int RunTextEffectCommand(Args args);

}  // namespace velmora::cli
