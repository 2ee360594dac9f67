# One place for the project's warning flags, so every target is held to the same bar.
add_library(tandrel_warnings INTERFACE)
target_compile_options(tandrel_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    $<$<BOOL:${TANDREL_WERROR}>:-Werror>)
