# Runs a test program the way a person would run it by hand, with HOME and
# XDG_CONFIG_HOME pointing at a folder that holds the tool's settings file,
# and checks that the file is left byte for byte as it was and that nothing
# else is written there.
#   cmake -DPROGRAM=<test program> -DWORK=<scratch folder> -P SettingsIsolation.cmake
set(home "${WORK}/home")
file(REMOVE_RECURSE "${home}")
file(MAKE_DIRECTORY "${home}/Marvolen")
set(settings "${home}/Marvolen/QelBackup.conf")
file(WRITE "${settings}" "[Settings]\nCallCenterSrc=\"Driver=SQLite3;Database=/data/callcenter.db\"\nTimeout=45\n")
file(SHA256 "${settings}" before)
file(GLOB_RECURSE filesBefore RELATIVE "${home}" "${home}/*")

execute_process(COMMAND "${CMAKE_COMMAND}" -E env "HOME=${home}" "XDG_CONFIG_HOME=${home}" "${PROGRAM}"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)

file(SHA256 "${settings}" after)
file(GLOB_RECURSE filesAfter RELATIVE "${home}" "${home}/*")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} failed (${rc})")
endif()
if(NOT before STREQUAL after)
  message(FATAL_ERROR "${PROGRAM} changed ${settings}")
endif()
if(NOT filesBefore STREQUAL filesAfter)
  message(FATAL_ERROR "${PROGRAM} wrote into the user's folder: ${filesAfter}")
endif()
