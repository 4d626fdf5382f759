# cmake -DCC=avr-gcc -DOBJCOPY=avr-objcopy -DMCU=chip -DDIR=dir -P compile_firmware.cmake
# Builds every DIR/*.c into DIR/*.elf for the chip, warnings as errors, and
# DIR/*.hex beside it for the simulators that load Intel HEX.
file(GLOB sources ${DIR}/*.c)
foreach(source ${sources})
  string(REGEX REPLACE "\\.c$" "" stem ${source})
  set(elf ${stem}.elf)
  execute_process(
    COMMAND ${CC} -mmcu=${MCU} -std=gnu11 -Os -Wall -Wextra -Werror ${source} -o ${elf}
    RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${source} does not build for ${MCU}:\n${errors}")
  endif()
  execute_process(COMMAND ${OBJCOPY} -O ihex ${elf} ${stem}.hex COMMAND_ERROR_IS_FATAL ANY)
endforeach()
