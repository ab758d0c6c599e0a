# The build's version, from git: `git describe --tags --always --dirty` (a tag, or the short commit, with
# "-dirty" when the checkout has uncommitted changes). It is taken on every build, not only when CMake
# configures, so a commit or an edit shows at once; the files are rewritten only when the text changes, so
# an unchanged version rebuilds nothing. Outside a git checkout (a source tarball) the version is "unknown".
#
# Writes, under the build tree:
#   generated/app/EngineVersion.h   kEngineVersion, for the programs that print it (engine_use_version)
#   generated/version.txt           the bare text, for the release archive's name (cmake/Release.cmake)
set(ENGINE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(ENGINE_VERSION_HEADER ${ENGINE_GENERATED_DIR}/app/EngineVersion.h)
set(ENGINE_VERSION_TEXT ${ENGINE_GENERATED_DIR}/version.txt)

find_package(Git QUIET)
add_custom_target(engine_version
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DGIT=${GIT_EXECUTABLE}
            -DHEADER=${ENGINE_VERSION_HEADER} -DTEXT=${ENGINE_VERSION_TEXT}
            -P ${CMAKE_CURRENT_LIST_DIR}/WriteVersion.cmake
    BYPRODUCTS ${ENGINE_VERSION_HEADER} ${ENGINE_VERSION_TEXT}
    COMMENT "Taking the version from git"
    VERBATIM)

# Only the programs that print the version include the header, so a new commit recompiles their entry points
# and relinks those two programs, not every test.
function(engine_use_version target)
    add_dependencies(${target} engine_version)
    target_include_directories(${target} PRIVATE ${ENGINE_GENERATED_DIR})
endfunction()
