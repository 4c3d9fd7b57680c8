# The rooms of the source tree and what each may include: a room includes only the rooms below
# it, art/ at the bottom (and, there, no Qt Widgets or Qt Print Support), then widgets/, then
# view/ and output/ side by side, app/ on top. Run as a test:
#   cmake -DSOURCE_DIR=<the repository> -P cmake/CheckRooms.cmake
# It names every include that runs upward or sideways, and fails when there is one.

set(forbidden_art "view/|widgets/|output/|app/|QtWidgets|QtPrintSupport")
set(forbidden_widgets "view/|output/|app/")
set(forbidden_view "output/|app/")
set(forbidden_output "view/|app/")

set(faults "")
foreach(room art widgets view output)
    file(GLOB sources "${SOURCE_DIR}/${room}/*.h" "${SOURCE_DIR}/${room}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
        foreach(line IN LISTS includes)
            if(line MATCHES "[\"<](${forbidden_${room}})")
                file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
                string(APPEND faults "  ${name}: ${line}\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    message(FATAL_ERROR "Includes that run against the rooms' order (see docs/architecture.md):\n${faults}")
endif()
