# Drives velmora-db as an administrator would: create, refuse to overwrite, run statements, back up.
file(REMOVE_RECURSE ${WORK})
set(ENV{VELMORA_PASSWORD} "40617283") # a new practice answers to the factory default
# `holder`, when set, runs the tool under a lock as the program holds it for its run.
function(run expect_rc)
  execute_process(COMMAND ${holder} ${TOOL} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL expect_rc)
    message(FATAL_ERROR "velmora-db ${ARGN}: exit ${rc}, expected ${expect_rc}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

run(0 create ${WORK})
run(1 create ${WORK})
if(NOT err MATCHES "exists already")
  message(FATAL_ERROR "overwrite not refused clearly: ${err}")
endif()
run(0 sql ${WORK}/data.mdb "INSERT INTO EKSODA(HMEROMHNIA,POSO,VAT,PERIGRAFH) VALUES(#3/28/2007#,10.5,2.42,\"Ενοίκιο\")")
if(NOT out STREQUAL "1\n")
  message(FATAL_ERROR "rows changed: ${out}")
endif()
run(0 sql ${WORK}/data.mdb "SELECT HMEROMHNIA, Format(POSO,'0.00') AS POSO, PERIGRAFH FROM EKSODA")
if(NOT out STREQUAL "HMEROMHNIA\tPOSO\tPERIGRAFH\n28/3/2007\t10,50\tΕνοίκιο\n")
  message(FATAL_ERROR "select printed: ${out}")
endif()
run(1 sql ${WORK}/data.mdb "SELECT * FROM NOTHING")
if(NOT err MATCHES "no such table")
  message(FATAL_ERROR "error text: ${err}")
endif()
run(0 backup ${WORK}/data.mdb ${WORK}/backup/copy.mdb)
run(0 sql ${WORK}/backup/copy.mdb "SELECT COUNT(*) AS N FROM EKSODA")
if(NOT out STREQUAL "N\n1\n")
  message(FATAL_ERROR "backup rows: ${out}")
endif()

# WHO z-scores and centiles, as any statement reads them: the standards by day (hand-worked
# from their LMS rows), the 2007 reference at its own SD columns, the restricted rule beyond
# ±3 (the 2007 ones within 0.005), and no answer where the reference or an input is missing.
run(0 sql ${WORK}/data.mdb "WITH cases(i,s,b,d,v,h,f) AS (VALUES
  ('wfa','ΘΗΛΥ',#1/1/2020#,#12/31/2020#,9,NULL,'0.0000'),
  ('wfa','ΑΡΡΕΝ','2010-01-01','2012-09-27',22,NULL,'0.0000'),
  ('lhfa','ΑΡΡΕΝ','2010-01-01','2012-01-01',85,NULL,'0.0000'),
  ('lhfa','ΑΡΡΕΝ','2010-01-01','2012-01-02',85,NULL,'0.0000'),
  ('bmifa','ΘΗΛΥ','2010-01-01','2014-02-09',25,100,'0.0000'),
  ('hcfa','ΘΗΛΥ','2010-01-01','2010-07-20',44.1,NULL,'0.0000'),
  ('wflh','ΑΡΡΕΝ','2010-01-01','2011-05-16',9.5,75.05,'0.0000'),
  ('lhfa','ΘΗΛΥ','2000-01-01','2010-01-01',151.43,NULL,'0.00'),
  ('bmifa','ΑΡΡΕΝ','2000-01-01','2015-01-01',16.011,100,'0.00'),
  ('wfa','ΑΡΡΕΝ','2000-01-01','2008-01-01',25.416,NULL,'0.00'),
  ('hcfa','ΑΡΡΕΝ','2000-01-01','2006-01-01',50,NULL,'0.0000'),
  ('wfa','ΘΗΛΥ','2000-01-01','2011-01-01',30,NULL,'0.0000'),
  ('wflh','ΑΡΡΕΝ','2010-01-01','2011-01-01',9,NULL,'0.0000'),
  ('bmifa','ΑΡΡΕΝ','2010-01-01','2011-01-01',9,NULL,'0.0000'),
  ('wfa','Χ','2010-01-01','2011-01-01',9,NULL,'0.0000'),
  ('wfa','ΘΗΛΥ','2010-01-01','2009-12-31',3,NULL,'0.0000'),
  ('wfa','ΘΗΛΥ','2010-01-01','2011-01-01',NULL,NULL,'0.0000'),
  ('wfa','ΘΗΛΥ','2010-01-01','2011-01-01',0,NULL,'0.0000'))
SELECT i, Format(WHO_Z(i,s,b,d,v,h),f) AS Z, Format(WHO_CENTILE(i,s,b,d,v,h),'0.0') AS P FROM cases")
set(expected "i\tZ\tP
wfa\t0,0488\t51,9
wfa\t3,9580\t100,0
lhfa\t-0,9172\t18,0
lhfa\t-0,6970\t24,3
bmifa\t5,0987\t100,0
hcfa\t1,1660\t87,8
wflh\t-0,0169\t49,3
lhfa\t2,00\t97,7
bmifa\t-2,00\t2,3
wfa\t0,00\t50,0
hcfa\t\t
wfa\t\t
wflh\t\t
bmifa\t\t
wfa\t\t
wfa\t\t
wfa\t\t
wfa\t\t
")
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "WHO z-scores printed:\n${out}\nexpected:\n${expected}")
endif()

# What is due: the worked example of the shipped circular (born 15/8/2026, the hexavalent's first
# dose on 16/10/2026, assessed 10/12/2026), the same lines the windows read.
run(0 sql ${WORK}/data.mdb "INSERT INTO STOIXEIA_PAIDIOY(ONOMA,EPWNYMO,FYLO,HMEROMHNIA_GENNHSEWS,ONOMATEPWNYMO_PATERA,ONOMATEPWNYMO_MHTERAS,ONOMATEPWNYMO_KHDEMONA,DIEYTHYNSH,THLEFWNO_1,HPATITIDA_B1,DIFTHERITIDA_TETANOS_KOKKITHS_1) VALUES('Μαρία','Παππά','ΘΗΛΥ',#8/15/2026#,'a','b','c','d','1',#10/16/2026#,#10/16/2026#)")
run(0 due ${WORK}/data.mdb --on 2026-12-10)
if(NOT out MATCHES "^ID	SURNAME	NAME	SERIES	DOSE	STATE	EARLIEST	DUE	OVERDUE	LATEST
1	Παππά	Μαρία	HEPB	2	may-be-given	2026-11-13	2026-12-15	2027-01-15	
1	Παππά	Μαρία	DTAP	2	may-be-given	2026-11-13	2026-12-15	2027-01-15	
")
  message(FATAL_ERROR "due printed:\n${out}")
endif()
run(2 due ${WORK}/data.mdb --on 10/12/2026)

# The password: from VELMORA_PASSWORD (never asked here), changed by `password`, which makes the
# first recovery key; `key` prints the data key for another tool.
function(expect text pattern what)
  if(NOT "${text}" MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: ${text}")
  endif()
endfunction()
# Weak new passwords are refused with nothing changed.
foreach(weak "Νέος 1" "40617283")
  set(ENV{VELMORA_NEW_PASSWORD} "${weak}")
  run(1 password ${WORK}/data.mdb)
endforeach()
file(READ ${WORK}/data.key factory_key)
set(ENV{VELMORA_NEW_PASSWORD} "Νέος κωδ 1")
run(0 password ${WORK}/data.mdb --new-key)
string(REGEX MATCH "([2-9A-Z]+-)+[2-9A-Z]+" recovery "${out}")
expect("${recovery}" "^([2-9A-Z][2-9A-Z][2-9A-Z][2-9A-Z]-)+[2-9A-Z]+$" "no recovery key shown")
run(1 sql ${WORK}/data.mdb "SELECT COUNT(*) AS N FROM EKSODA")
expect("${err}" "Not a valid password" "old password not refused clearly")
foreach(secret "Νέος κωδ 1" "${recovery}")
  set(ENV{VELMORA_PASSWORD} "${secret}")
  run(0 sql ${WORK}/data.mdb "SELECT COUNT(*) AS N FROM EKSODA")
  expect("${out}" "^N\n1\n$" "rows with ${secret}")
endforeach()
set(ENV{VELMORA_NEW_PASSWORD} "Νέος.2")
run(1 password ${WORK}/data.mdb)
set(ENV{VELMORA_PASSWORD} "Νέος κωδ 1")
# The key file of the factory state opens nothing of the data under its new key.
file(READ ${WORK}/data.key own_key)
file(WRITE ${WORK}/data.key "${factory_key}")
set(ENV{VELMORA_PASSWORD} "40617283")
run(1 sql ${WORK}/data.mdb "SELECT COUNT(*) AS N FROM EKSODA")
file(WRITE ${WORK}/data.key "${own_key}")
set(ENV{VELMORA_PASSWORD} "Νέος κωδ 1")
# A new recovery key: the old one stops working.
run(0 recovery ${WORK}/data.mdb)
string(REGEX MATCH "([2-9A-Z]+-)+[2-9A-Z]+" second_recovery "${out}")
set(ENV{VELMORA_PASSWORD} "${recovery}")
run(1 sql ${WORK}/data.mdb "SELECT COUNT(*) AS N FROM EKSODA")
set(ENV{VELMORA_PASSWORD} "${second_recovery}")
run(0 sql ${WORK}/data.mdb "SELECT COUNT(*) AS N FROM EKSODA")
set(ENV{VELMORA_PASSWORD} "Νέος κωδ 1")
run(0 key ${WORK}/data.mdb)
expect("${out}" "^[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]+\n$" "key printed")
string(LENGTH "${out}" printed)
expect("${printed}" "^65$" "key length")
run(0 backup ${WORK}/data.mdb ${WORK}/backup/second.mdb)
expect("${out}" "second.mdb" "backup path")
if(NOT EXISTS ${WORK}/backup/second.key)
  message(FATAL_ERROR "the backup lacks its key file")
endif()
run(0 sql ${WORK}/backup/second.mdb "SELECT COUNT(*) AS N FROM EKSODA")
expect("${out}" "^N\n1\n$" "rows of the backup")

# While the program has the folder open, data.mdb does not move under a new data key (the
# program's connections would stay with the replaced file); the lock goes with its holder.
file(READ ${WORK}/data.key before)
set(ENV{VELMORA_NEW_PASSWORD} "Νέος κωδ 1")
set(holder flock --shared ${WORK}/.data.mdb-in-use)
run(1 password ${WORK}/data.mdb --new-key)
unset(holder)
expect("${err}" "has the practice folder .* open" "new data key while the program runs")
file(READ ${WORK}/data.key after)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "the key file changed although the program had the folder open")
endif()
run(0 password ${WORK}/data.mdb --new-key)
run(0 sql ${WORK}/data.mdb "SELECT COUNT(*) AS N FROM EKSODA")
expect("${out}" "^N\n1\n$" "rows after the new data key")
