# The generator's sources, shared by its own project (CMakeLists.txt here) and by the test suite in
# tests/tools, which compiles them with the engine's toolchain to check the generator itself.
set(ASSET_GENERATOR_SOURCES
    AssetGenerator.cpp
    AssetWriter.cpp
    Image.cpp
    ImageFiles.cpp
    MeshBuilder.cpp
    ModelSet.cpp
    MusicSynth.cpp
    Noise.cpp
    SkyPainter.cpp
    Terrain.cpp
    TexturePainter.cpp
    WavFile.cpp
    WorldPlan.cpp)
