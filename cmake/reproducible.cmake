# The Windows tree builds the DLL that ships, so two builds of one commit must give the
# same bytes wherever and whenever they run: paths in the debug information and in
# __FILE__ are mapped to fixed names, the linker writes no time stamp into the PE
# headers, and static archives hold no dates, owners or modes.
# Debug information is always produced; zov_split_debug_info moves it to a file of its own.
add_compile_options(-g)
# Later maps win, so the build folder (often inside the source folder) comes last.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
add_link_options(-Wl,--no-insert-timestamp)
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
endforeach()

find_program(ZOV_OBJCOPY NAMES x86_64-w64-mingw32-objcopy REQUIRED)

# Moves the debug information of a DLL or program into <file>.debug beside it and
# strips the file, leaving a debug link by which debuggers find the .debug file.
# objcopy stamps the PE header with SOURCE_DATE_EPOCH, else with the current time: 0
# keeps the header free of any time, as the linker left it.
function(zov_split_debug_info target)
  set(file $<TARGET_FILE_NAME:${target}>)
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${ZOV_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${file} ${file}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${file}.debug ${file}
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
