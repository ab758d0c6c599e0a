# The Windows release archive, written by `cmake --build build --target package` (CPack's ZIP generator, so no
# outside zip program) as build/Engine-<version>-win64.zip, one folder of that name inside. It holds:
#   - engine.exe and engine-capture.exe, stripped: CPack strips its own staged copies with the cross
#     toolchain's strip, and the build's programs keep their debug information;
#   - the presentation's data: every file of data/ and exactly the files the asset generator wrote, with the
#     music, by its own list (cmake/Assets.cmake), so nothing a test or a run leaves in bin/ goes in;
#   - README.txt (from tools/release/README.txt, with the version) and THIRD-PARTY-NOTICES.txt, assembled
#     while packaging from the licence files of the libraries linked in (cmake/ReleaseTexts.cmake).
# The version is the one the build stamped into the programs (cmake/Version.cmake), read again when CPack runs
# (cmake/ReleaseName.cmake), so the archive's name and `engine.exe --version` always agree.
if(NOT WIN32 OR NOT TARGET engine_assets)
    return()
endif()

install(TARGETS engine engine-capture RUNTIME DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION .)

# The generated data is known only once the generator has run, so its list is read at packaging time.
set(engine_music)
if(ENGINE_MUSIC)
    set(engine_music "[[${ENGINE_MUSIC}]]")
endif()
install(CODE "
    file(STRINGS [[${ENGINE_ASSET_LIST}]] engine_generated)
    list(TRANSFORM engine_generated PREPEND [[${ENGINE_BIN_DIR}/]])
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}\" TYPE FILE FILES \${engine_generated} ${engine_music})
")

# The README with the version, and the licence texts of what static linking put into the two programs.
set(engine_release_texts ${CMAKE_BINARY_DIR}/release)
install(CODE "
    execute_process(
        COMMAND [[${CMAKE_COMMAND}]] [[-DDEPS=${ENGINE_DEPS_DIR}]] [[-DVERSION_FILE=${ENGINE_VERSION_TEXT}]]
                [[-DREADME=${PROJECT_SOURCE_DIR}/tools/release/README.txt]] [[-DOUT_DIR=${engine_release_texts}]]
                -P [[${CMAKE_CURRENT_LIST_DIR}/ReleaseTexts.cmake]]
        COMMAND_ERROR_IS_FATAL ANY)
")
install(FILES ${engine_release_texts}/README.txt ${engine_release_texts}/THIRD-PARTY-NOTICES.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Engine)
set(CPACK_SYSTEM_NAME win64)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_ENGINE_VERSION_FILE ${ENGINE_VERSION_TEXT})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/ReleaseName.cmake)
set(CPACK_VERBATIM_VARIABLES ON)
include(CPack)
