# Run at install time: writes the menu entry ENTRADA from the template MODELO with Exec= the
# installed EXECUTAVEL, quoted as the desktop entry format asks when the path has a character
# other than letters, digits and / . _ + - (a space in a home folder's name, say).
set(exec "${EXECUTAVEL}")
if(NOT exec MATCHES "^[A-Za-z0-9/._+-]+$")
  # Inside quotes \ " ` $ take a backslash; then, as in every string of the format, each
  # backslash is doubled. A % is a field code anywhere: %% stands for one.
  string(REGEX REPLACE "([\\\\\"`$])" "\\\\\\1" exec "${exec}")
  string(REPLACE "\\" "\\\\" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "%" "%%" QUIRELO_EXEC "${exec}")
configure_file("${MODELO}" "${ENTRADA}" @ONLY)
