# SPDX-License-Identifier: MIT
# Arduino sketches for the Uno (ATmega328P at 16 MHz), built with avr-gcc and
# Debian's Arduino AVR core (arduino-core-avr), without the Arduino IDE:
#
#   avr_sketch(<target> <sketch folder> [OUTPUT_DIR <dir>] [DEPENDS <file>...])
#
# builds <dir>/<target>.elf, .hex and .size (the program memory and RAM it
# takes, as "flash <bytes>" and "ram <bytes>" lines) from the folder's
# <folder name>.ino and its .cpp and .c files (see avr-sketch-build.cmake).
# The core is compiled once per build folder (target arduino_core_uno).
# AVR_SKETCH_FOUND says whether the tools are there; without them avr_sketch()
# is not defined.

find_program(AVR_GCC avr-gcc)
find_program(AVR_GCC_AR avr-gcc-ar)
find_program(AVR_OBJCOPY avr-objcopy)
find_program(AVR_SIZE avr-size)
set(ARDUINO_AVR_DIR /usr/share/arduino/hardware/arduino/avr CACHE PATH
    "The Arduino AVR core: the folder holding cores/arduino and variants/standard")

if(AVR_GCC AND AVR_GCC_AR AND AVR_OBJCOPY AND AVR_SIZE AND EXISTS ${ARDUINO_AVR_DIR}/cores/arduino/Arduino.h)
    set(AVR_SKETCH_FOUND TRUE)
else()
    set(AVR_SKETCH_FOUND FALSE)
    message(STATUS "No avr-gcc or Arduino AVR core: the Uno firmware and its tests are left out")
    return()
endif()

set(avr_sketch_script ${CMAKE_CURRENT_LIST_DIR}/avr-sketch-build.cmake)
set(avr_core_archive ${CMAKE_BINARY_DIR}/arduino-core/libarduino-core.a)
# The compiler launcher (ccache) of the host build serves the AVR build too.
set(avr_sketch_tools -DAVR_GCC=${AVR_GCC} -DAVR_GCC_AR=${AVR_GCC_AR} -DAVR_OBJCOPY=${AVR_OBJCOPY}
                     -DAVR_SIZE=${AVR_SIZE} -DARDUINO_AVR_DIR=${ARDUINO_AVR_DIR}
                     "-DLAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}" -DWERROR=${SERVO_CONSOLE_WERROR})

file(GLOB avr_core_sources ${ARDUINO_AVR_DIR}/cores/arduino/*)
add_custom_command(OUTPUT ${avr_core_archive}
    COMMAND ${CMAKE_COMMAND} ${avr_sketch_tools} -DCORE_ARCHIVE=${avr_core_archive} -P ${avr_sketch_script}
    DEPENDS ${avr_sketch_script} ${avr_core_sources}
    COMMENT "Building the Arduino AVR core for the Uno" VERBATIM)
add_custom_target(arduino_core_uno DEPENDS ${avr_core_archive})
# The build of a sketch made later (an exported one): this command, then
# -DSKETCH_DIR=... -DOUTPUT=... -P ${AVR_SKETCH_SCRIPT}, once arduino_core_uno is built.
set(AVR_SKETCH_SCRIPT ${avr_sketch_script})
set(AVR_SKETCH_COMMAND ${CMAKE_COMMAND} ${avr_sketch_tools} -DCORE_ARCHIVE=${avr_core_archive})

function(avr_sketch target folder)
    cmake_parse_arguments(ARG "" "OUTPUT_DIR" "DEPENDS" ${ARGN})
    if(NOT ARG_OUTPUT_DIR)
        set(ARG_OUTPUT_DIR ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    set(output ${ARG_OUTPUT_DIR}/${target})
    file(GLOB sources ${folder}/*.ino ${folder}/*.cpp ${folder}/*.c ${folder}/*.h)
    add_custom_command(OUTPUT ${output}.elf ${output}.hex ${output}.size
        COMMAND ${CMAKE_COMMAND} ${avr_sketch_tools} -DCORE_ARCHIVE=${avr_core_archive} -DSKETCH_DIR=${folder}
                -DOUTPUT=${output} -P ${avr_sketch_script}
        DEPENDS ${avr_sketch_script} ${avr_core_archive} ${sources} ${ARG_DEPENDS}
        COMMENT "Building the Uno program ${target}" VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output}.elf ${output}.hex ${output}.size)
    add_dependencies(${target} arduino_core_uno)
    set_target_properties(${target} PROPERTIES AVR_ELF ${output}.elf AVR_HEX ${output}.hex AVR_SIZE ${output}.size)
endfunction()
