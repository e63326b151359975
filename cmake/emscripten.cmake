# SPDX-License-Identifier: MIT
# Builds for the web with Debian's emscripten: the game (and its web platform
# in web/) as WebAssembly for a browser, its tools for node.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake ...
# This is emscripten's own toolchain file, found where emscripten lives.
find_program(EM_CONFIG em-config REQUIRED)
execute_process(COMMAND ${EM_CONFIG} EMSCRIPTEN_ROOT OUTPUT_VARIABLE EMSCRIPTEN_ROOT
                OUTPUT_STRIP_TRAILING_WHITESPACE)
include(${EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
