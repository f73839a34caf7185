#!/usr/bin/env bash
# The command-line host and the sample generator on the throwaway test server, as a
# team with an existing database uses them: libpq connection texts, a pgbench -i
# schema, a schema verkauf with lower-case names, the layout store set up by the
# administrator, two users, an administrator and a login that may only read.
#   cli_postgres_test.sh CLI SAMPLEDB   (VMBGRID_PG_TEST_DIR names the server's folder)
set -u
CLI=$1 SAMPLEDB=$2
info=$(cat "$VMBGRID_PG_TEST_DIR/conninfo" 2>/dev/null) || {
  echo "no PostgreSQL test server: skipped"
  exit 0
}
db=vmbgrid_cli_$$
server="$info dbname=$db"
work=$(mktemp -d)
psql() { command psql -X -q -v ON_ERROR_STOP=1 "$@"; }
cleanup() {
  psql "$info dbname=postgres" -c "DROP DATABASE IF EXISTS $db WITH (FORCE)" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FEHLER: $*" >&2
  exit 1
}
expect() { case "$1" in *"$2"*) ;; *) fail "erwartet \"$2\" in:
$1" ;; esac }
# Runs the host and keeps its output in $out and its status in $rc.
run() {
  out=$("$@" 2>&1)
  rc=$?
}
psql "$info dbname=postgres" -c "CREATE DATABASE $db" || fail "no database"
for login in anna bert chef leser; do
  psql "$info dbname=postgres" -c "DO \$\$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE
    rolname = '$login') THEN CREATE ROLE $login LOGIN; END IF; EXCEPTION WHEN duplicate_object
    OR unique_violation THEN NULL; END \$\$" >/dev/null
done
cd "$work" || exit 1

# A libpq text is a server, never a file name; existing tables are kept unless asked.
run "$SAMPLEDB" --rows 300 --db "$server"
[ "$rc" -eq 0 ] || fail "sample on the server: $out"
run "$SAMPLEDB" --rows 300 --db "$server"
[ "$rc" -ne 0 ] || fail "existing tables replaced without --replace"
expect "$out" "In der Datenbank gibt es schon: Kunden, Orte, Status."
run "$SAMPLEDB" --rows 300 --db "$server" --replace
[ "$rc" -eq 0 ] || fail "--replace: $out"
run "$SAMPLEDB" --db "host=$work/kein-server dbname=x"
[ "$rc" -ne 0 ] || fail "an unreachable server reported success"
[ -z "$(ls -A)" ] || fail "a connection text was created as a file: $(ls -A)"

pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
"${pgbin:+$pgbin/}pgbench" -i -q -s 1 "$server" >/dev/null 2>&1 || fail "pgbench -i"
psql "$server" -c "CREATE SCHEMA verkauf; CREATE TABLE verkauf.auftraege (nr integer PRIMARY
  KEY, kunde text); INSERT INTO verkauf.auftraege SELECT g, 'Kunde ' || g FROM
  generate_series(1, 30) g" || fail "schema verkauf"

# Names as users write them, the statement as the library builds it.
for table in verkauf.auftraege "[verkauf].[auftraege]" VERKAUF.Auftraege; do
  run "$CLI" --db "$server" --table "$table" --search "KUNDE=Kunde 1*" --key NR
  [ "$rc" -eq 0 ] || fail "$table: $out"
  expect "$out" "11 Datensätze"
  expect "$out" "FROM [verkauf.auftraege] WHERE ([KUNDE] LIKE 'Kunde 1%')"
done
run "$CLI" --db "$server" --table Pgbench_Accounts --field AID --field ABALANCE \
  --search AID=1-10 --sort AID:desc --max 3
[ "$rc" -eq 0 ] || fail "pgbench_accounts: $out"
expect "$out" "SELECT TOP 3 [AID],[ABALANCE] FROM [pgbench_accounts] WHERE ([AID] >= 1 AND [AID] <= 10) ORDER BY [AID] DESC"
expect "$out" "3 Datensätze"
run "$CLI" --db "$server" --table Pgbench_Tellerz
[ "$rc" -ne 0 ] || fail "a missing table passed"
expect "$out" "Die Tabelle \"Pgbench_Tellerz\" gibt es in der Datenbank nicht."

# Before the setup: browsing works, the store says what the administrator runs.
run "$CLI" --db "$server user=anna" --table Kunden --field Name --save-layout Meins
[ "$rc" -ne 0 ] || fail "a save without a store passed"
expect "$out" "vmbgrid-sampledb --setup --db"
run "$SAMPLEDB" --setup --db "$server" --grant anna --grant bert --grant-admin chef
[ "$rc" -eq 0 ] || fail "setup: $out"
psql "$server" -c 'GRANT SELECT ON ALL TABLES IN SCHEMA public TO vmgrid_benutzer, leser' ||
  fail "grant"

# The login is the user; another user's entries and "Standard" are the server's to refuse.
run "$CLI" --db "$server user=anna" --table Kunden --field Name --field Ort --hide Ort \
  --save-layout Meins
[ "$rc" -eq 0 ] || fail "anna's layout: $out"
[ "$(psql "$server" -Atc "SELECT \"user\" FROM aa_gridlayout_kopf WHERE sublayout = 'Meins'")" = anna ] ||
  fail "the layout is not anna's"
run "$CLI" --db "$server user=anna" --user bert --table Kunden --field Name --search Name=M* \
  --save-query Ms
expect "$out" "Der Anmeldename \"anna\" darf die Einträge von \"bert\" nicht ändern."
run "$CLI" --db "$server user=anna" --table Kunden --field Name --search Name=M* --save-query Ms
[ "$rc" -eq 0 ] || fail "anna's filter: $out"
# Filters belong to their table.
run "$CLI" --db "$server user=anna" --table Orte --query Ms
expect "$out" "Den Filter \"Ms\" gibt es nicht."
run "$CLI" --db "$server user=anna" --table Kunden --field Name --query Ms
expect "$out" "WHERE ([Name] LIKE 'M%')"
# The login that may only read browses, and is told what the administrator grants.
run "$CLI" --db "$server user=leser" --table Kunden --field Name --layout Standard --max 2
[ "$rc" -ne 0 ] || fail "an unusable store passed for leser"
expect "$out" "GRANT vmgrid_benutzer TO leser;"
expect "$out" "2 Datensätze"
# A table the login may not read is a refused access, not a refused change.
run "$CLI" --db "$server user=leser" --table verkauf.auftraege
[ "$rc" -ne 0 ] || fail "a table without the right to read passed"
expect "$out" "Der Datenbankserver hat den Zugriff nicht erlaubt: permission denied"
echo ok
