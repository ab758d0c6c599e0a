# Generated data: builds tools/assets with the HOST compiler (ExternalProject, so a cross build for Windows
# still gets a generator it can run) and runs it at build time to write the presentation's textures, skies,
# models and music into ENGINE_BIN_DIR. The generator's output depends only on its code, so the data is
# written again only when the generator binary changes. The music is synthesised to a WAV file and encoded
# to "DemoTrack01.mp3" with Debian's `lame` (tools/setup.sh installs it).
#
# Include this from the root CMakeLists.txt after ENGINE_BIN_DIR is set. Defines the target engine_assets
# (part of ALL); engine_data depends on it, so `--target engine_data` also brings the generated files.
# ENGINE_ASSET_LIST names the generator's list of the files it wrote into ENGINE_BIN_DIR, and ENGINE_MUSIC the
# music file when it is made: the release archive takes exactly those (cmake/Release.cmake).
include(ExternalProject)

if(NOT DEFINED ENGINE_BIN_DIR)
    set(ENGINE_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
endif()

# In a cross build the toolchain's compilers are for the target; look for the machine's own.
find_program(ENGINE_HOST_CXX NAMES c++ g++ clang++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(ENGINE_LAME lame NO_CMAKE_FIND_ROOT_PATH)

set(engine_assets_dir ${CMAKE_BINARY_DIR}/asset-generator)
set(engine_asset_generator ${engine_assets_dir}/build/asset_generator${CMAKE_HOST_EXECUTABLE_SUFFIX})

ExternalProject_Add(asset_generator_build
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools/assets
    PREFIX ${engine_assets_dir}
    BINARY_DIR ${engine_assets_dir}/build
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=${ENGINE_HOST_CXX}
    INSTALL_COMMAND ""
    # The inner build decides itself whether anything changed; the generator binary keeps its time stamp
    # when nothing did, and that is what the generation step below depends on.
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${engine_asset_generator}
    USES_TERMINAL_BUILD OFF)

set(engine_assets_stamp ${engine_assets_dir}/assets.stamp)
set(engine_music_wav ${engine_assets_dir}/DemoTrack01.wav)
set(ENGINE_ASSET_LIST ${engine_assets_dir}/assets.list)
set(ENGINE_MUSIC)
set(engine_music_commands)
if(ENGINE_LAME)
    set(ENGINE_MUSIC ${ENGINE_BIN_DIR}/DemoTrack01.mp3)
    # Constant bit rate and no replay-gain scan: a plain file that the multimedia interface plays as mpegvideo.
    list(APPEND engine_music_commands
        COMMAND ${ENGINE_LAME} --quiet --noreplaygain -b 160 --tt DemoTrack01 --ta Engine
                ${engine_music_wav} ${ENGINE_MUSIC})
else()
    message(WARNING "lame was not found: DemoTrack01.mp3 will not be made and the presentation will be silent. "
                    "tools/setup.sh installs it.")
endif()

add_custom_command(OUTPUT ${engine_assets_stamp}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ENGINE_BIN_DIR}
    COMMAND ${engine_asset_generator} ${ENGINE_BIN_DIR} --wav ${engine_music_wav} --list ${ENGINE_ASSET_LIST}
    ${engine_music_commands}
    COMMAND ${CMAKE_COMMAND} -E touch ${engine_assets_stamp}
    DEPENDS ${engine_asset_generator} asset_generator_build
    COMMENT "Generating the presentation's textures, skies, models and music into ${ENGINE_BIN_DIR}"
    VERBATIM)
add_custom_target(engine_assets ALL DEPENDS ${engine_assets_stamp})

# engine_data is defined later in the root list file; attach to it once that file has been read.
function(engine_assets_attach)
    if(TARGET engine_data)
        add_dependencies(engine_data engine_assets)
    endif()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL engine_assets_attach)
