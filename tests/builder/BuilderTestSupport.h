// Shared helpers of the builder tests: scratch folders, small files, the
// PE fixtures and the external checks (pefile, wrestool).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::test {

// A fresh folder under the system temp folder, removed by the destructor.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    // Path with a trailing '/'.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// n deterministic pseudo-random bytes from seed.
std::vector<uint8_t> SomeBytes(size_t n, uint32_t seed);

// The cross-compiled fixture programs.
std::string FixtureStubReloc();  // .rsrc followed by .reloc
std::string FixtureStubLast();   // .rsrc is the last section

// Runs check_package.py: pefile parses with no warnings and, when block is
// given, DATA/ALLDATASETTINGS holds exactly it. Returns the checker's output
// (empty when everything holds).
std::string PefileProblems(const std::string& file, const std::vector<uint8_t>* block = nullptr);
// `wrestool -l` lists an icon (type 3) and an icon group (type 14).
bool WrestoolListsIcons(const std::string& file);

// A program folder as the build expects it: Mirb.bfq (the stub scrambled),
// d3dx9_42.dll, Mask/ with the eleven button images and rainbow.jpg.
// Returns the library's CRC (FileCrc32Hex form).
std::string MakeProgramFolder(const std::string& folder, const std::string& stubExe);

}  // namespace velmora::test
