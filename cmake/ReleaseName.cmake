# Read by CPack when it packages (CPACK_PROJECT_CONFIG_FILE, cmake/Release.cmake): names the archive after the
# version the build stamped into the programs, which CMake's configure step cannot know.
file(STRINGS "${CPACK_ENGINE_VERSION_FILE}" engine_version LIMIT_COUNT 1)
if(NOT engine_version)
    message(FATAL_ERROR "${CPACK_ENGINE_VERSION_FILE}: no version; build first (cmake --build build)")
endif()
set(CPACK_PACKAGE_VERSION "${engine_version}")
set(CPACK_PACKAGE_FILE_NAME "Engine-${engine_version}-win64")
