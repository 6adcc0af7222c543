// velmora lrc FILE.lrc    the timed lines of a lyric file: time in
//                         milliseconds, TAB, text (UTF-8), one per line
#include <iostream>

#include "app/cli/Cli.h"
#include "project/Lyrics.h"

namespace velmora::cli {

int RunLrcCommand(Args args) {
    if (args.size() != 1)
        return UsageError("lrc");
    ParsedLyrics lyrics;
    if (!ParseLyricFile(args[0], lyrics)) {
        Error("无法读取歌词文件，或其中没有时间标签：" + args[0]);
        return 1;
    }
    std::string out;
    for (const LyricLine& line : lyrics.lines)
        out += std::to_string(int64_t{line.time} * 10) + "\t" + line.text + "\n";
    std::cout << out << std::flush;
    return 0;
}

}  // namespace velmora::cli
