# The resource-table generator: what it reads from a resource script, and that
# it stops the build, naming the line, at whatever it does not understand.
#   cmake -DGENERATOR=.../ResourceTables.cmake -DWORK=DIR -P resource-tables-test.cmake
file(MAKE_DIRECTORY "${WORK}")
file(WRITE "${WORK}/ids.h" "#pragma once\n#define IDD_ONE 7\n#define ID_EDIT 9\n#define TEXT_LONG \\\n    \"long \" \"text\"\n")

# Generates from `rc`; sets `result` (0 when it succeeded), `output` and `message`.
function(generate name rc)
  file(WRITE "${WORK}/${name}.rc" "#include \"ids.h\"\n${rc}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DRC_FILE=${WORK}/${name}.rc -DOUTPUT=${WORK}/${name}.cpp -P ${GENERATOR}
                  RESULT_VARIABLE result ERROR_VARIABLE message OUTPUT_QUIET)
  set(output "")
  if(result EQUAL 0)
    file(READ "${WORK}/${name}.cpp" output)
  endif()
  set(result "${result}" PARENT_SCOPE)
  set(output "${output}" PARENT_SCOPE)
  set(message "${message}" PARENT_SCOPE)
endfunction()

function(expect_refusal name rc expected)
  generate(${name} "${rc}")
  string(FIND "${message}" "${expected}" at)
  if(result EQUAL 0 OR at EQUAL -1)
    message(SEND_ERROR "${name}: expected a refusal with '${expected}', got ${result}: ${message}")
  endif()
endfunction()

generate(controls "IDD_ONE DIALOGEX 0, 0, 10, 10
STYLE WS_POPUP | WS_CAPTION
CAPTION TEXT_LONG
BEGIN
    COMBOBOX 5, 1, 1, 1, 1, CBS_DROPDOWN | WS_VSCROLL
    COMBOBOX 6, 1, 1, 1, 1, CBS_DROPDOWN |
             CBS_SORT
    CONTROL \"a;b [c]\", ID_EDIT, \"Edit\", ES_AUTOHSCROLL | CBS_SORT, 1, 1, 1, 1
    LTEXT TEXT_LONG, 10, 1, 1, 1, 1
    DEFPUSHBUTTON \"Go\", IDOK, 1, 1, 1, 1
END
8 DIALOG 0, 0, 10, 10
STYLE 0x90C00040
BEGIN
END
STRINGTABLE
BEGIN
    3, \"three\"
    ID_EDIT TEXT_LONG
END
")
# Only a combo box sorts, and only with CBS_SORT; the window shows when its
# style says WS_VISIBLE; Windows' own classes are named in capitals.
foreach(expected
    "{7,\n         false,\n         {\n             {5, \"COMBOBOX\", \"\", false},\n             {6, \"COMBOBOX\", \"\", true},\n"
    "{9, \"EDIT\", \"a;b [c]\", false},\n             {10, \"STATIC\", \"long \" \"text\", false},\n             {1, \"BUTTON\", \"Go\", false},\n         }},\n        {8,\n         true,"
    "{3, \"three\"},\n        {9, \"long \" \"text\"},\n")
  string(FIND "${output}" "${expected}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "controls: expected\n${expected}\nin\n${output}${message}")
  endif()
endforeach()

expect_refusal(control "1 DIALOG 0, 0, 1, 1\nBEGIN\n    CHECKBOX \"x\", 3, 1, 1, 1, 1\nEND\n" "control.rc:4: cannot read")
expect_refusal(flag "1 DIALOG 0, 0, 1, 1\nSTYLE WS_POPUP | WS_THICKFRAME\nBEGIN\nEND\n"
               "flag.rc:3: cannot read the number \"WS_THICKFRAME\"")
expect_refusal(text "1 DIALOG 0, 0, 1, 1\nBEGIN\n    LTEXT TEXT_NONE, 3, 1, 1, 1, 1\nEND\n"
               "text.rc:4: cannot read the text TEXT_NONE")
expect_refusal(arguments "1 DIALOG 0, 0, 1, 1\nBEGIN\n    EDITTEXT 3, 1, 1, 1\nEND\n" "arguments.rc:4: cannot read")
expect_refusal(statement "1 MENU\nBEGIN\nEND\n" "statement.rc:2: cannot read")
expect_refusal(block "STRINGTABLE\nBEGIN\n    1 \"x\"\n" "block.rc:2: cannot read a block that never ends")
expect_refusal(continued "1 DIALOG 0, 0, 1, 1\nBEGIN\n    EDITTEXT 3, 1, 1, 1, 1,\n" "continued.rc:4: cannot read a statement")
