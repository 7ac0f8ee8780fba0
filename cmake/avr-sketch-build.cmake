# SPDX-License-Identifier: MIT
# Builds for the Uno what the Arduino IDE would, run as a script:
#
#   cmake -DCORE_ARCHIVE=<lib.a> -P avr-sketch-build.cmake
#       compiles the Arduino AVR core into that archive;
#   cmake -DCORE_ARCHIVE=<lib.a> -DSKETCH_DIR=<folder> -DOUTPUT=<path without extension> -P avr-sketch-build.cmake
#       compiles the sketch in the folder (its <folder name>.ino as C++ with
#       Arduino.h first, and its .cpp and .c files), links it with the core
#       into OUTPUT.elf, and writes OUTPUT.hex for avrdude and OUTPUT.size.
#
# The tools default to those on the PATH (AVR_GCC, AVR_GCC_AR, AVR_OBJCOPY,
# AVR_SIZE), the core to Debian's (ARDUINO_AVR_DIR). LAUNCHER (ccache) goes
# before each compiler call; WERROR makes the sketch's warnings errors.
cmake_minimum_required(VERSION 3.19)

foreach(tool AVR_GCC:avr-gcc AVR_GCC_AR:avr-gcc-ar AVR_OBJCOPY:avr-objcopy AVR_SIZE:avr-size)
    string(REPLACE ":" ";" pair ${tool})
    list(GET pair 0 variable)
    list(GET pair 1 program)
    if(NOT ${variable})
        find_program(${variable} ${program} REQUIRED)
    endif()
endforeach()
if(NOT ARDUINO_AVR_DIR)
    set(ARDUINO_AVR_DIR /usr/share/arduino/hardware/arduino/avr)
endif()
if(NOT CORE_ARCHIVE)
    message(FATAL_ERROR "CORE_ARCHIVE names the core's archive (made when missing)")
endif()

set(core_dir ${ARDUINO_AVR_DIR}/cores/arduino)
# What the IDE's "Arduino Uno" board passes (boards.txt, platform.txt).
set(target_flags -mmcu=atmega328p -DF_CPU=16000000L -DARDUINO=10807 -DARDUINO_AVR_UNO -DARDUINO_ARCH_AVR
                 -I${core_dir} -I${ARDUINO_AVR_DIR}/variants/standard)
set(c_flags -c -g -Os -std=gnu11 -ffunction-sections -fdata-sections -flto -fno-fat-lto-objects)
# Debian's avr-gcc 5.4 names DECIMAL_DIG for C only; the core's String needs it in C++.
set(cxx_flags -c -g -Os -std=gnu++11 -fpermissive -fno-exceptions -ffunction-sections -fdata-sections
              -fno-threadsafe-statics -Wno-error=narrowing -flto -DDECIMAL_DIG=__DECIMAL_DIG__)
set(asm_flags -c -g -x assembler-with-cpp -flto)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        list(JOIN ARGN " " line)
        message(FATAL_ERROR "failed (${status}): ${line}")
    endif()
endfunction()

# Compiles `source` into `object` with the flags its kind takes, plus `extra`.
function(compile source object extra)
    get_filename_component(extension ${source} LAST_EXT)
    if(extension STREQUAL ".c")
        set(flags ${c_flags})
    elseif(extension STREQUAL ".S")
        set(flags ${asm_flags})
    elseif(extension STREQUAL ".ino")
        set(flags ${cxx_flags} -x c++ -include Arduino.h)
    else()
        set(flags ${cxx_flags})
    endif()
    run(${LAUNCHER} ${AVR_GCC} ${target_flags} ${flags} ${extra} ${source} -o ${object})
endfunction()

get_filename_component(archive_dir ${CORE_ARCHIVE} DIRECTORY)
if(NOT EXISTS ${CORE_ARCHIVE})
    file(GLOB core_sources ${core_dir}/*.c ${core_dir}/*.cpp ${core_dir}/*.S)
    set(objects)
    foreach(source ${core_sources})
        get_filename_component(name ${source} NAME)
        set(object ${archive_dir}/objects/${name}.o)
        file(MAKE_DIRECTORY ${archive_dir}/objects)
        # The core is not ours: its warnings are not either.
        compile(${source} ${object} -w)
        list(APPEND objects ${object})
    endforeach()
    run(${AVR_GCC_AR} rcs ${CORE_ARCHIVE}.part ${objects})
    file(RENAME ${CORE_ARCHIVE}.part ${CORE_ARCHIVE})
endif()

if(NOT SKETCH_DIR)
    return()
endif()
if(NOT OUTPUT)
    message(FATAL_ERROR "OUTPUT names the program to make, without an extension")
endif()
get_filename_component(sketch_name ${SKETCH_DIR} NAME)
if(NOT EXISTS ${SKETCH_DIR}/${sketch_name}.ino)
    message(FATAL_ERROR "${SKETCH_DIR} holds no ${sketch_name}.ino (a sketch is named after its folder)")
endif()
file(GLOB sketch_sources ${SKETCH_DIR}/*.cpp ${SKETCH_DIR}/*.c)
set(warnings -Wall -Wextra)
if(WERROR)
    list(APPEND warnings -Werror)
endif()
set(objects_dir ${OUTPUT}.objects)
file(MAKE_DIRECTORY ${objects_dir})
set(objects)
foreach(source ${SKETCH_DIR}/${sketch_name}.ino ${sketch_sources})
    get_filename_component(name ${source} NAME)
    compile(${source} ${objects_dir}/${name}.o "${warnings};-I${SKETCH_DIR}")
    list(APPEND objects ${objects_dir}/${name}.o)
endforeach()
run(${AVR_GCC} -mmcu=atmega328p -Os -g -flto -fuse-linker-plugin -Wl,--gc-sections ${warnings} ${objects}
    ${CORE_ARCHIVE} -lm -o ${OUTPUT}.elf)
run(${AVR_OBJCOPY} -O ihex -R .eeprom ${OUTPUT}.elf ${OUTPUT}.hex)

# Program memory is what the flash holds (code, tables, and the start values
# of variables); RAM what variables take before the stack, as the IDE counts.
execute_process(COMMAND ${AVR_SIZE} -A ${OUTPUT}.elf OUTPUT_VARIABLE sections RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${AVR_SIZE} could not read ${OUTPUT}.elf")
endif()
foreach(section text data bss noinit)
    set(${section} 0)
    if(sections MATCHES "\n\\.${section}[ \t]+([0-9]+)")
        set(${section} ${CMAKE_MATCH_1})
    endif()
endforeach()
math(EXPR flash "${text} + ${data}")
math(EXPR ram "${data} + ${bss} + ${noinit}")
file(WRITE ${OUTPUT}.size "flash ${flash}\nram ${ram}\n")
