# Writes the release archive's README.txt and THIRD-PARTY-NOTICES.txt; run while packaging (cmake/Release.cmake):
#   cmake -DDEPS=<.deps folder> -DVERSION_FILE=<version.txt> -DREADME=<README.txt source> -DOUT_DIR=<folder>
#         -P ReleaseTexts.cmake
# Both get Windows line ends, and the README's @ENGINE_VERSION@ the build's version.
#
# The notices are taken as they stand from the Debian source trees that tools/setup.sh unpacked into .deps/
# and from the installed Debian packages' copyright files, never from copies kept in the repository; a missing
# file stops the packaging. The list is what static linking really puts into the programs
# (x86_64-w64-mingw32-nm and strings on engine.exe and engine-capture.exe): the three libraries built from
# .deps/, stb's PNG writer (the capture tool only), the MinGW-w64 C runtime with winpthreads, and GCC's
# libstdc++ and libgcc. Everything else the programs call is Windows' own (Direct3D 11, DXGI, the HLSL
# compiler, GDI+, the multimedia interface), loaded from the system.
foreach(input DEPS VERSION_FILE README OUT_DIR)
    if(NOT ${input})
        message(FATAL_ERROR "ReleaseTexts.cmake needs -D${input}=...")
    endif()
endforeach()

set(rule "================================================================================")
set(body "")
set(contents "")
set(number 0)

function(read_required path out)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "${path}: missing, so the release texts cannot be written (tools/setup.sh fetches it)")
    endif()
    file(READ "${path}" text)
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One library: its name and version, which programs have it, what of it they have and where the text comes
# from, then the files whose full text follows.
function(notice title version programs note)
    math(EXPR n "${number} + 1")
    set(number ${n} PARENT_SCOPE)
    set(contents "${contents}  ${n}. ${title} ${version} (${programs})\n" PARENT_SCOPE)
    set(section "\n${rule}\n${n}. ${title} ${version}\n   In ${programs}.\n   ${note}\n${rule}\n")
    foreach(path IN LISTS ARGN)
        read_required("${path}" text)
        string(REPLACE "${DEPS}/" "source package " label "${path}")
        set(section "${section}\n--- ${label}\n\n${text}")
    endforeach()
    set(body "${body}${section}" PARENT_SCOPE)
endfunction()

function(source_version dir out)
    read_required("${DEPS}/${dir}/.version" text)
    string(STRIP "${text}" text)
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(package_version package out)
    execute_process(COMMAND dpkg-query -W "-f=\${Version}" ${package}
        OUTPUT_VARIABLE version RESULT_VARIABLE result ERROR_QUIET)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Debian package ${package} is not installed (run tools/setup.sh)")
    endif()
    set(${out} "${version}" PARENT_SCOPE)
endfunction()

set(both "engine.exe and engine-capture.exe")
set(source "its Debian source package")

source_version(imgui version)
notice("Dear ImGui" "${version}" "${both}"
    "The core and its Win32 and Direct3D 11 back-ends, with the copies of stb_truetype, stb_rect_pack and
   stb_textedit it carries (imstb_*.h). Texts from ${source}."
    ${DEPS}/imgui/LICENSE.txt ${DEPS}/imgui/debian/copyright)

source_version(tinyxml version)
notice("TinyXML" "${version}" "${both}" "The XML parser. Text from ${source}."
    ${DEPS}/tinyxml/debian/copyright)

source_version(tinyobjloader version)
notice("tinyobjloader" "${version}" "${both}" "The OBJ/MTL loader. Text from ${source}."
    ${DEPS}/tinyobjloader/LICENSE)

package_version(libstb-dev version)
notice("stb" "${version}" "engine-capture.exe"
    "stb_image_write, which writes the PNG files. Text from Debian's libstb-dev."
    /usr/share/doc/libstb-dev/copyright)

package_version(mingw-w64-x86-64-dev version)
notice("MinGW-w64" "${version}" "${both}"
    "The C runtime's start-up and support code (mingw-w64-crt) and winpthreads.
   Text from Debian's mingw-w64-x86-64-dev."
    /usr/share/doc/mingw-w64-x86-64-dev/copyright)

# The copyright file points to the GPL in /usr/share/common-licenses, which a Windows user does not have.
package_version(g++-mingw-w64-x86-64-posix version)
notice("GCC runtime libraries" "${version}" "${both}"
    "libstdc++, libgcc and libgcc_eh, under the GPL version 3 or later with the GCC Runtime Library
   Exception 3.1 (its text is in the copyright file). Texts from Debian's g++-mingw-w64-x86-64-posix,
   and the GPL version 3."
    /usr/share/doc/g++-mingw-w64-x86-64-posix/copyright /usr/share/common-licenses/GPL-3)

file(STRINGS "${VERSION_FILE}" engine_version LIMIT_COUNT 1)

# Notepad before Windows 10's 2018 update shows a file with bare line feeds as one line.
function(write_for_windows path text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE "${path}" "${text}")
endfunction()

read_required("${README}" readme)
string(REPLACE "@ENGINE_VERSION@" "${engine_version}" readme "${readme}")
write_for_windows("${OUT_DIR}/README.txt" "${readme}")

write_for_windows("${OUT_DIR}/THIRD-PARTY-NOTICES.txt" "Third-party software in Engine ${engine_version}

engine.exe and engine-capture.exe are statically linked: besides the engine's own code they contain parts of
the libraries below, each under its own licence, whose full text follows. No other library is shipped; what
else the programs use is part of Windows.

${contents}${body}")
