# campane_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [TIMEOUT <s>])
# One QtTest binary per component. Tests run on the offscreen platform and
# find the device descriptions through CAMPANE_DEVICES_DIR.
include(CampaneSubdirs)
# Sanitizer builds find leaks too; only the system libraries' own one-time
# allocations are suppressed (tests/lsan.supp). Qt is built without frame
# pointers: the slow unwinder gives allocations their whole stack, so that a
# suppression can name the call that made them rather than a whole library.
set(CAMPANE_SANITIZER_ENVIRONMENT
    "ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")

function(campane_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
    target_link_libraries(${name} PRIVATE Qt::Test ${T_LIBS})
    target_compile_definitions(${name} PRIVATE
        CAMPANE_DEVICES_DIR="${CAMPANE_DEVICES_DIR}"
        CAMPANE_TEST_NAME="${name}")
    campane_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;CAMPANE_DISCOVERY_LOOPBACK_ONLY=1;CAMPANE_DEVICES_DIR=${CAMPANE_DEVICES_DIR};${CAMPANE_SANITIZER_ENVIRONMENT}")
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
