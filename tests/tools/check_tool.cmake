# Script mode: runs one tool and checks its exit code and what it printed.
#   cmake -DCOMMAND=<tool|args...> -DEXPECT_RC=<n> [-DEXPECT_STDOUT_FILE=<file>]
#         [-DEXPECT_STDERR=<text>] -P check_tool.cmake
# Output is compared with carriage returns removed: a Windows tool writes CR LF.
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REPLACE "\r" "" out "${out}")
string(REPLACE "\r" "" err "${err}")
if(NOT rc STREQUAL EXPECT_RC)
    message(FATAL_ERROR "exit code ${rc}, expected ${EXPECT_RC}\nstdout:\n${out}\nstderr:\n${err}")
endif()
if(DEFINED EXPECT_STDOUT_FILE)
    file(READ "${EXPECT_STDOUT_FILE}" expected)
    if(NOT out STREQUAL expected)
        message(FATAL_ERROR "stdout differs from ${EXPECT_STDOUT_FILE}:\n${out}")
    endif()
endif()
if(DEFINED EXPECT_STDERR)
    if(NOT err STREQUAL "${EXPECT_STDERR}\n")
        message(FATAL_ERROR "stderr is:\n${err}\nexpected:\n${EXPECT_STDERR}")
    endif()
endif()
