# Writes OUTPUT, a C++ source that defines zov::BuildCommit() as the short
# id of the commit SOURCE_DIR is checked out at, or "unknown" when the
# sources are not a git work tree of their own (a tarball, an export).
# Run at every build: the file is replaced only when the id changed, so an
# unchanged commit recompiles nothing.
set(commit unknown)
find_program(GIT git)
if(GIT)
  execute_process(COMMAND "${GIT}" -c safe.directory=* -C "${SOURCE_DIR}" rev-parse --show-toplevel
                  OUTPUT_VARIABLE top RESULT_VARIABLE top_failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  # Sources unpacked inside some other repository are not ours to name.
  if(NOT top_failed)
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${SOURCE_DIR}" source)
  endif()
  if(NOT top_failed AND top STREQUAL source)
    execute_process(COMMAND "${GIT}" -c safe.directory=* -C "${SOURCE_DIR}" rev-parse --short HEAD
                    OUTPUT_VARIABLE id RESULT_VARIABLE id_failed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT id_failed AND id MATCHES "^[0-9a-f]+$")
      set(commit "${id}")
    endif()
  endif()
endif()
file(WRITE "${OUTPUT}.new"
     "// Generated at build time by cmake/BuildCommit.cmake.\n"
     "#include \"session/build_commit.h\"\n\n"
     "const char* zov::BuildCommit() { return \"${commit}\"; }\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
