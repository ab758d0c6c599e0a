# Builds the third-party sources that tools/setup.sh unpacked into .deps/ (and GoogleTest from Debian's
# googletest package) with whatever toolchain this build uses. Their warnings are theirs: project warning
# flags are not applied to these targets.
set(ENGINE_DEPS_DIR ${PROJECT_SOURCE_DIR}/.deps CACHE PATH "Unpacked dependency sources (tools/setup.sh)")

foreach(dep imgui tinyxml tinyobjloader)
    if(NOT EXISTS ${ENGINE_DEPS_DIR}/${dep}/.version)
        message(FATAL_ERROR "Dependency '${dep}' is missing from ${ENGINE_DEPS_DIR}: run tools/setup.sh")
    endif()
endforeach()

set(tinyxml_dir ${ENGINE_DEPS_DIR}/tinyxml)
add_library(tinyxml STATIC
    ${tinyxml_dir}/tinyxml.cpp ${tinyxml_dir}/tinystr.cpp
    ${tinyxml_dir}/tinyxmlerror.cpp ${tinyxml_dir}/tinyxmlparser.cpp)
target_include_directories(tinyxml SYSTEM PUBLIC ${tinyxml_dir})
target_compile_definitions(tinyxml PUBLIC TIXML_USE_STL)

set(tinyobj_dir ${ENGINE_DEPS_DIR}/tinyobjloader)
add_library(tinyobjloader STATIC ${tinyobj_dir}/tiny_obj_loader.cc)
target_include_directories(tinyobjloader SYSTEM PUBLIC ${tinyobj_dir})
if(ENGINE_SANITIZE)
    # Fuzzing found one undefined conversion in the pinned loader: a skin-weight line ("vw") whose joint number
    # does not fit an int is converted with int(). x86 gives INT_MIN, and the engine never reads skin weights,
    # so the sanitizers stop checking float-to-int conversions in the loader alone; everything else still ends
    # the program (regression: tools/fuzz/regressions/mesh/).
    target_compile_options(tinyobjloader PRIVATE -fno-sanitize=float-cast-overflow)
endif()

if(WIN32)
    set(imgui_dir ${ENGINE_DEPS_DIR}/imgui)
    add_library(imgui STATIC
        ${imgui_dir}/imgui.cpp ${imgui_dir}/imgui_draw.cpp ${imgui_dir}/imgui_tables.cpp
        ${imgui_dir}/imgui_widgets.cpp ${imgui_dir}/imgui_demo.cpp
        ${imgui_dir}/backends/imgui_impl_win32.cpp ${imgui_dir}/backends/imgui_impl_dx11.cpp)
    target_include_directories(imgui SYSTEM PUBLIC ${imgui_dir} ${imgui_dir}/backends)
    target_link_libraries(imgui PUBLIC d3d11 d3dcompiler dxgi dwmapi xinput gdi32 imm32)
endif()

if(ENGINE_BUILD_TESTS)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

find_path(STB_INCLUDE_DIR stb_image_write.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH)
