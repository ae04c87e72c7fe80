# Fails when the linked script holds any of Emscripten's own GLUT or its
# legacy-GL emulation: a call our layer lacks would otherwise pull them in.
file(READ ${SCRIPT} script)
foreach(marker "var GLUT " "GLUT\\.modifiers" "GLImmediate" "GLEmulation" "_glutInit" "_glBegin" "_gluLookAt")
    if(script MATCHES "${marker}")
        message(FATAL_ERROR "${SCRIPT} holds Emscripten's GL or GLUT emulation (${marker})")
    endif()
endforeach()
