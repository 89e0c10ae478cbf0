# Installs the build tree into a scratch prefix, builds the consumer host
# against the installed CamPane package and runs it.
#   cmake -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch> -DSOURCE_DIR=<consumer> -P consumer.cmake
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
foreach(step IN ITEMS install configure build run)
    if(step STREQUAL "install")
        set(command ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
    elseif(step STREQUAL "configure")
        set(command ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build
            -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
    elseif(step STREQUAL "build")
        set(command ${CMAKE_COMMAND} --build ${WORK_DIR}/build)
    else()
        set(command ${WORK_DIR}/build/consumer)
    endif()
    execute_process(COMMAND ${command} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "consumer ${step} failed (${result}):\n${output}")
    endif()
endforeach()
message(STATUS "the consumer built against the installed CamPane package and ran")
