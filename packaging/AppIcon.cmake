# The application icon.  icons/<id>.svg, drawn by hand, is the only source: the PNG sizes
# that the icon theme and the window icon need are rendered from it at build time, so
# they can never differ from it.
set(TESSOVAR_APP_ID com.veltrana.TessovarNMS)
set(TESSOVAR_ICON_SVG ${CMAKE_CURRENT_LIST_DIR}/icons/${TESSOVAR_APP_ID}.svg)
set(TESSOVAR_ICON_SIZES 16 24 32 48 64 128 256)
set(TESSOVAR_ICON_DIR ${PROJECT_BINARY_DIR}/icons)

find_program(RSVG_CONVERT rsvg-convert REQUIRED) # Debian: librsvg2-bin
set(TESSOVAR_ICON_PNGS)
foreach(size IN LISTS TESSOVAR_ICON_SIZES)
  set(png ${TESSOVAR_ICON_DIR}/${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TESSOVAR_ICON_DIR}
    COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${png} ${TESSOVAR_ICON_SVG}
    DEPENDS ${TESSOVAR_ICON_SVG}
    COMMENT "Rendering the application icon at ${size} pixels"
    VERBATIM)
  list(APPEND TESSOVAR_ICON_PNGS ${png})
endforeach()
add_custom_target(tessovar_icon DEPENDS ${TESSOVAR_ICON_PNGS})
