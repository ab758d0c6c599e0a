// Orchestration and the summary printed at build time (file count, sizes and how long each part took).
#include "tools/assets/AssetGenerator.h"

#include "tools/assets/AssetWriter.h"
#include "tools/assets/ImageFiles.h"
#include "tools/assets/ModelSet.h"
#include "tools/assets/MusicSynth.h"
#include "tools/assets/SkyPainter.h"
#include "tools/assets/TexturePainter.h"
#include "tools/assets/WavFile.h"
#include "tools/assets/WorldPlan.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace
{

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Files that go elsewhere than the output folder (the music, the list), creating their folder as needed.
template <typename Bytes>
bool WriteBeside(const std::string& path, const Bytes& bytes)
{
    const std::filesystem::path file(path);
    const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return AssetWriter(folder.string()).Write(file.filename().string(), bytes);
}

}   // namespace

bool AssetGenerator::Generate(const GeneratorOptions& options)
{
    std::error_code error;
    std::filesystem::create_directories(options.outputDirectory, error);
    AssetWriter writer(options.outputDirectory);
    bool ok = true;
    const auto start = std::chrono::steady_clock::now();

    for (const TextureOutput& texture : TexturePainter::PaintAll(options.textureScale))
    {
        ok &= writer.Write(texture.fileName,
                           texture.encoding == TextureEncoding::Bmp
                               ? ImageFiles::EncodeBmp(texture.image)
                               : ImageFiles::EncodeDds(texture.image, texture.mips, texture.isNormalMap));
    }
    const double texturesTime = SecondsSince(start);

    // The skies are single-level: the engine's loader builds their mip chains on the device.
    ok &= writer.Write("10.dds", ImageFiles::EncodeDds(SkyPainter::PaintSunset(options.skyWidth, options.skyHeight),
                                                       MipChain::SingleLevel, false));
    ok &= writer.Write("11.dds", ImageFiles::EncodeDds(SkyPainter::PaintNight(options.skyWidth, options.skyHeight),
                                                       MipChain::SingleLevel, false));
    const double skiesTime = SecondsSince(start) - texturesTime;

    size_t corners = 0;
    for (const ModelOutput& model : ModelSet::BuildAll())
    {
        if (model.mesh.CornerCount() > 65536)
        {
            std::cerr << model.stem << ".obj: " << model.mesh.CornerCount()
                      << " triangle corners, more than the engine's 16-bit indices can address\n";
            ok = false;
        }
        corners += model.mesh.CornerCount();
        ok &= writer.Write(model.stem + ".obj", model.mesh.ObjText(model.stem, model.stem + ".mtl", model.material));
        ok &= writer.Write(model.stem + ".mtl", MeshBuilder::MtlText(model.material));
    }
    const double modelsTime = SecondsSince(start) - texturesTime - skiesTime;

    double musicTime = 0.0;
    if (!options.wavPath.empty())
    {
        const auto musicStart = std::chrono::steady_clock::now();
        ok &= WriteBeside(options.wavPath,
                          WavFile::Encode(MusicSynth::Render(options.musicSeconds), MusicSynth::kSampleRate, 2));
        musicTime = SecondsSince(musicStart);
    }

    if (!options.listPath.empty())
    {
        std::string list;
        for (const AssetWriter::Entry& entry : writer.Entries())
        {
            list += entry.fileName + "\n";
        }
        ok &= WriteBeside(options.listPath, list);
    }

    if (!options.quiet)
    {
        std::printf("[assets] %zu files, %.1f MB in %s (textures %.1f s, skies %.1f s, models %.1f s with %zu corners, "
                    "music %.1f s)\n",
                    writer.Entries().size(), static_cast<double>(writer.TotalBytes()) / (1024.0 * 1024.0),
                    options.outputDirectory.c_str(), texturesTime, skiesTime, modelsTime, corners, musicTime);
    }
    return ok;
}

bool AssetGenerator::WriteWorld(const std::string& dataDirectory)
{
    std::error_code error;
    std::filesystem::create_directories(dataDirectory + "/actors", error);
    AssetWriter writer(dataDirectory);
    bool ok = writer.Write("World1.xml", WorldPlan::WorldXml());
    for (const auto& [path, text] : WorldPlan::ActorFiles())
    {
        ok &= writer.Write(path, text);
    }
    return ok;
}
