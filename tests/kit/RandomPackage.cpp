#include "RandomPackage.h"

#include <cmath>
#include <random>

std::vector<RandomFile> RandomFiles(std::uint32_t seed, int count)
{
    static const char* const kStems[] = {"表示ソ能", "data", "ﾃｽﾄ", "README", "ファイル", "MIX"};
    static const char* const kExtensions[] = {".TXT", ".bin", ".DA", "", ".表", ".T"};
    static const char* const kWords[] = {"install ", "the ", "ファイル", "フォルダ", "\r\n", "setup ", "表示", "0123 "};
    static const std::uint64_t kEdges[] = {0, 1, 2, 3, 18, 19, 4095, 4096, 4097, 1 << 20};
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<RandomFile> files;
    for (int i = 0; i < count; ++i) {
        RandomFile f;
        f.name = std::string(kStems[i % 6]) + std::to_string(i) + kExtensions[i % 6];
        const std::uint64_t size = i < 10 ? kEdges[i]
                                          : static_cast<std::uint64_t>(std::exp(unit(rng) * std::log(1048577.0)) - 1);
        const int kind = static_cast<int>(rng() % 4);
        while (f.bytes.size() < size) {
            switch (kind == 3 ? rng() % 3 : kind) {
            case 0: f.bytes += static_cast<char>(rng()); break;
            case 1: f.bytes += kWords[rng() % 8]; break;
            default: f.bytes.append(1 + rng() % 40, static_cast<char>(rng() % 2 ? ' ' : rng())); break;
            }
        }
        f.bytes.resize(size);
        files.push_back(std::move(f));
    }
    return files;
}

std::string ScriptFor(const std::vector<RandomFile>& files)
{
    std::string script = "[Title]\r\nUnSetupKey=Round Trip\r\n[Support]\r\nDisplayVersion=1\r\n[CopyFile]\r\n";
    for (std::size_t i = 0; i < files.size(); ++i)
        script.append("File").append(std::to_string(i + 1)).append("=(App)\\").append(files[i].name).append("\r\n");
    return script;
}
