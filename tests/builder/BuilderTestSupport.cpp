#include "BuilderTestSupport.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "builder/PackageBuild.h"
#include "builder/PackageFiles.h"
#include "package/PackageKeystream.h"

namespace velmora::test {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
    std::string tmpl = (fs::temp_directory_path() / "velmora-builder-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = std::string(buf.data()) + "/";
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> SomeBytes(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<uint8_t>(gen());
    return v;
}

std::string FixtureStubReloc() {
    return std::string(BUILDER_FIXTURE_DIR) + "/stub_reloc.exe";
}
std::string FixtureStubLast() {
    return std::string(BUILDER_FIXTURE_DIR) + "/stub_last.exe";
}

namespace {

std::string RunCapture(const std::string& cmd, int* status) {
    std::string out;
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    if (!p) {
        *status = -1;
        return "popen failed";
    }
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        out.append(buf.data(), n);
    *status = ::pclose(p);
    return out;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

}  // namespace

std::string PefileProblems(const std::string& file, const std::vector<uint8_t>* block) {
    std::string cmd =
        std::string(BUILDER_PYTHON) + " " + Quote(BUILDER_CHECKER) + " " + Quote(file);
    std::string blockPath;
    if (block) {
        blockPath = file + ".block";
        WriteBytes(blockPath, *block);
        cmd += " " + Quote(blockPath);
    }
    int status = 0;
    std::string out = RunCapture(cmd, &status);
    if (!blockPath.empty())
        std::remove(blockPath.c_str());
    if (status == 0)
        return {};
    return out.empty() ? "checker failed" : out;
}

bool WrestoolListsIcons(const std::string& file) {
    int status = 0;
    std::string out = RunCapture("wrestool -l " + Quote(file), &status);
    return status == 0 && out.find("--type=3 ") != std::string::npos &&
           out.find("--type=14 ") != std::string::npos;
}

std::string MakeProgramFolder(const std::string& folder, const std::string& stubExe) {
    auto stub = ReadBytes(stubExe);
    ScrambleHead(stub, kStubScrambleBytes);
    WriteBytes(folder + "Mirb.bfq", stub);
    WriteBytes(folder + "d3dx9_42.dll", SomeBytes(3000, 42));
    uint32_t seed = 100;
    for (const char* name : kButtonImageNames) {
        WriteBytes(folder + "Mask/" + name + ".png", SomeBytes(300 + seed, seed));
        ++seed;
    }
    WriteBytes(folder + "Mask/rainbow.jpg", SomeBytes(1000, 7));
    return FileCrc32Hex(folder + "d3dx9_42.dll");
}

}  // namespace velmora::test
