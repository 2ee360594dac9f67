# Run by the build (cmake -P): the translation must be what lupdate makes of it from the texts the
# code marks, so that no marked text lacks its entry and no entry outlives its text, and every
# entry must be translated. Takes LUPDATE, TS (the .ts file), SOURCES (the files with the marks)
# and STAMP (touched once the translation passes).
get_filename_component(name "${TS}" NAME)
set(updated "${STAMP}.ts")
file(COPY_FILE "${TS}" "${updated}")
execute_process(COMMAND "${LUPDATE}" -silent -locations none -no-obsolete ${SOURCES} -ts "${updated}"
                RESULT_VARIABLE failed)
file(READ "${TS}" kept)
file(READ "${updated}" made)
if(failed OR NOT kept STREQUAL made)
    message(FATAL_ERROR "${name} is not in step with the texts the code marks for translation; "
            "bring it up to date with `cmake --build <build directory> --target update_translations`"
            " and give every new text its translation")
endif()
if(kept MATCHES "type=\"unfinished\"")
    message(FATAL_ERROR "${name} has texts without a translation")
endif()
file(TOUCH "${STAMP}")
