// Runs build/velmora (or another program) through the shell, as a user would,
// and collects its exit status and its output (stdout and stderr together).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace velmora::test {

struct RunResult {
    int status = -1;
    std::string out;
};

inline RunResult RunShell(const std::string& command) {
    RunResult r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// `velmora ARGS [< stdinFile]` from the program folder of this build.
inline RunResult Velmora(const std::string& args, const std::string& stdinFile = "") {
    std::string cmd = std::string(VELMORA_PROGRAM_DIR) + "/velmora " + args;
    if (!stdinFile.empty())
        cmd += " < '" + stdinFile + "'";
    return RunShell(cmd);
}

}  // namespace velmora::test
