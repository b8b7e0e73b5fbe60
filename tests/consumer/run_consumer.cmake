# Installs the built package under WORK_DIR and builds the consumers (C++ on
# Velumor, C on the stream library) against it twice: through
# find_package(Velumor) and through pkg-config.
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${VELUMOR_BUILD_DIR} --prefix ${prefix})

# find_package
run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE_DIR} -B ${WORK_DIR}/cmake-build
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
    -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run(${WORK_DIR}/cmake-build/consumer)
run(${WORK_DIR}/cmake-build/stream_consumer)

# pkg-config
file(GLOB_RECURSE pc_files ${prefix}/velumor.pc)
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir ${pc_file} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
execute_process(COMMAND pkg-config --cflags --libs velumor
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know velumor")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CMAKE_CXX_COMPILER} ${CONSUMER_SOURCE_DIR}/main.cpp ${flags} -Wl,-rpath,${pc_dir}/..
    -o ${WORK_DIR}/consumer-pkg-config)
run(${WORK_DIR}/consumer-pkg-config)

execute_process(COMMAND pkg-config --cflags --libs velumor-stream
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know velumor-stream")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CMAKE_C_COMPILER} -std=c99 ${CONSUMER_SOURCE_DIR}/stream_main.c ${flags} -Wl,-rpath,${pc_dir}/..
    -o ${WORK_DIR}/stream-consumer-pkg-config)
run(${WORK_DIR}/stream-consumer-pkg-config)
