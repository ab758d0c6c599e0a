// Runs a fuzz target once over stored inputs, without libFuzzer: the seed corpus and the regression files
// (inputs that once crashed the engine) are replayed this way by CTest in every native build, sanitized or not.
// It does not mutate or search; that is libFuzzer's job (tools/fuzz/run.sh).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Targets that need no set-up do not define it.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace
{
bool Replay(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
    {
        std::cerr << file.string() << ": cannot open\n";
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A buffer of exactly the file's size (a vector may hold spare capacity), so that AddressSanitizer sees
    // any read past the input's end.
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[std::max<std::size_t>(1, bytes.size())]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    LLVMFuzzerTestOneInput(exact.get(), bytes.size());
    return true;
}
}

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::cerr << "usage: " << argv[0] << " FILE_OR_FOLDER...\n";
        return 2;
    }
    // Collected before the target's set-up, which may change the working directory.
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i)
    {
        const std::filesystem::path path = std::filesystem::absolute(argv[i]);
        if (std::filesystem::is_directory(path))
        {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
            {
                if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
                {
                    files.push_back(entry.path());
                }
            }
        }
        else if (std::filesystem::is_regular_file(path))
        {
            files.push_back(path);
        }
        else
        {
            std::cerr << path.string() << ": no such file or folder\n";
            return 2;
        }
    }
    std::sort(files.begin(), files.end());

    if (LLVMFuzzerInitialize != nullptr)
    {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    std::size_t replayed = 0;
    for (const auto& file : files)
    {
        if (!Replay(file))
        {
            return 1;
        }
        ++replayed;
    }
    std::cout << "replayed " << replayed << " inputs without a failure\n";
    return replayed > 0 ? 0 : 1;
}
