// velmora pack list FILE / pack extract FILE NAME OUT
#include <iostream>

#include "app/cli/Cli.h"
#include "package/ResourcePack.h"

namespace velmora::cli {

int RunPackCommand(Args args) {
    if (args.size() >= 2 && (args[0] == "list" || args[0] == "extract")) {
        ResourcePack pack;
        if (!pack.Open(args[1])) {
            Error("无法读取资源包：" + args[1] + "（文件不存在或格式错误）");
            return 1;
        }
        if (args[0] == "list" && args.size() == 2) {
            for (const auto& e : pack.entries())
                std::cout << e.name << '\t' << e.size << '\n';
            return 0;
        }
        if (args[0] == "extract" && args.size() == 4) {
            if (!pack.Find(args[2])) {
                Error("资源包中没有这个文件：" + args[2]);
                return 1;
            }
            if (!pack.ExtractPackedFile(args[2], args[3])) {
                Error("无法写入文件：" + args[3]);
                return 1;
            }
            return 0;
        }
    }
    return UsageError("pack");
}

}  // namespace velmora::cli
