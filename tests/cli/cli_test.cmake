function(expect_contains text what)
  string(FIND "${text}" "${what}" pos)
  if(pos EQUAL -1)
    message(FATAL_ERROR "expected \"${what}\" in:\n${text}")
  endif()
endfunction()

set(db ${WORK}/kunden_cli.db)
execute_process(COMMAND ${SAMPLEDB} --rows 300 --out ${db} --replace RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "sample database not generated")
endif()

execute_process(COMMAND ${CLI} --db ${db} --table Kunden --field Name --field Ort --field Umsatz
                        --sum Umsatz --search Name=M* --sort Name:desc --max 5 --key Nr
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "exit status ${rc}:\n${out}")
endif()
expect_contains("${out}" "SELECT TOP 5 [Name],[Ort],[Umsatz],[Nr] FROM [Kunden] WHERE ([Name] LIKE 'M%') ORDER BY [Name] DESC")
expect_contains("${out}" "5 Datensätze")
expect_contains("${out}" "Name ▼")
expect_contains("${out}" "Umsatz")

# A criterion that cannot be made safe: the German message, no rows, exit 1.
execute_process(COMMAND ${CLI} --db ${db} --table Kunden --field Name --search "Nr=1 OR 1=1"
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 1)
  message(FATAL_ERROR "a refused criterion must give exit status 1, got ${rc}:\n${out}")
endif()
expect_contains("${out}" "Meldung: Fehler in Filter: ")
expect_contains("${out}" "0 Datensätze")

# A database that does not exist is not created, and the status says so.
execute_process(COMMAND ${CLI} --db ${WORK}/gibt_es_nicht.db --table Kunden
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(rc EQUAL 0)
  message(FATAL_ERROR "a missing database must give a non-zero exit status")
endif()
expect_contains("${err}" "Verbindung mit Datenbank konnte nicht hergestellt werden.")
if(EXISTS ${WORK}/gibt_es_nicht.db)
  message(FATAL_ERROR "the missing database was created")
endif()

# Export without a display: the header and the rows as shown, with the BOM; a
# folder that does not exist gives the German message and a non-zero status.
set(export ${WORK}/kunden_export.txt)
file(REMOVE ${export})
execute_process(COMMAND ${CLI} --db ${db} --table Kunden --field Name --field Ort --max 3
                        --sort Name --export ${export}
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT EXISTS ${export})
  message(FATAL_ERROR "export failed (${rc}):\n${out}")
endif()
file(STRINGS ${export} lines ENCODING UTF-8)
list(LENGTH lines n)
if(NOT n EQUAL 4)
  message(FATAL_ERROR "expected a header and three rows, got ${n}:\n${lines}")
endif()
list(GET lines 0 header)
expect_contains("${header}" "\"Name\";\"Ort\"")
execute_process(COMMAND ${CLI} --db ${db} --table Kunden --field Name --export ${WORK}/fehlt/x.txt
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(rc EQUAL 0)
  message(FATAL_ERROR "a failed export must give a non-zero exit status")
endif()
expect_contains("${out}" "Meldung: Die Tabelle konnte nicht exportiert werden.")

# Saved queries: the search saved under a name for a user, applied later by name;
# a parameter query answered from --param, and cancelled without answers.
execute_process(COMMAND ${CLI} --db ${db} --table Kunden --field Name --field Nr --user cli
                        --search Name==1:Text --search Nr==2:ZahlVonBis --save-query Frage
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "saving a query failed (${rc}):\n${out}")
endif()
execute_process(COMMAND ${CLI} --db ${db} --table Kunden --field Name --field Nr --user cli
                        --query Frage --param 1=M* --param 2=1-100
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
expect_contains("${out}" "WHERE ([Name] LIKE 'M%') AND ([Nr] >= 1 AND [Nr] <= 100)")
execute_process(COMMAND ${CLI} --db ${db} --table Kunden --field Name --user cli --query Frage
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
expect_contains("${out}" "Meldung: Der Filter fragt nach Werten")
expect_contains("${out}" "300 Datensätze")
execute_process(COMMAND ${CLI} --db ${db} --table Kunden --field Name --user andere --query Frage
                OUTPUT_VARIABLE out RESULT_VARIABLE rc)
expect_contains("${out}" "Meldung: Den Filter \"Frage\" gibt es nicht.")
