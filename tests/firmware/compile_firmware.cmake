# cmake -DCC=avr-gcc -DMCU=chip -DDIR=dir -P compile_firmware.cmake
# Builds every DIR/*.c into DIR/*.elf for the chip, warnings as errors.
file(GLOB sources ${DIR}/*.c)
foreach(source ${sources})
  string(REGEX REPLACE "\\.c$" ".elf" elf ${source})
  execute_process(
    COMMAND ${CC} -mmcu=${MCU} -std=gnu11 -Os -Wall -Wextra -Werror ${source} -o ${elf}
    RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${source} does not build for ${MCU}:\n${errors}")
  endif()
endforeach()
