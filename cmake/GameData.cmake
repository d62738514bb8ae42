# The game data generators under tools/gamedata run with Debian's Python 3 and its Pillow.

find_program(PXQD_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT PXQD_PYTHON)
  find_program(PXQD_PYTHON NAMES python3 REQUIRED)
endif()
execute_process(COMMAND ${PXQD_PYTHON} -c "import PIL" RESULT_VARIABLE PXQD_PIL_MISSING OUTPUT_QUIET ERROR_QUIET)
if(PXQD_PIL_MISSING)
  message(FATAL_ERROR "${PXQD_PYTHON} cannot import PIL: install python3-pil")
endif()

set(PXQD_GAMEDATA_TOOLS ${PROJECT_SOURCE_DIR}/tools/gamedata)
# The shared modules every generator imports.
set(PXQD_GAMEDATA_COMMON ${PXQD_GAMEDATA_TOOLS}/gdcommon.py ${PXQD_GAMEDATA_TOOLS}/pictures.py
    ${PXQD_GAMEDATA_TOOLS}/tiles.py)
# Where the program runs (the program folder) and where the hall stand-in keeps its files.
set(PXQD_PROGRAM_DIR ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
set(PXQD_HALL_DIR ${CMAKE_BINARY_DIR}/hall)
set(PXQD_GAMEDATA_WORK ${CMAKE_BINARY_DIR}/gamedata)
