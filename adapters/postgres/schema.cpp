// The layout and settings store on the server, installed by an administrator
// (SetupStore): tables, the two layout functions, a user role and an admin role.
// Every statement can run again (idempotent); the whole script runs in one
// transaction under an advisory lock, so a failed setup leaves nothing behind and
// an older store is brought up to date without losing its layouts.
//
// Who writes what is the server's decision, not the client's:
//   - the layout tables are reached only through the two functions, which run with
//     their owner's rights (SECURITY DEFINER) and check session_user;
//   - vmgrid_settings (options, saved filters, last layouts) has row security;
//   - vmgrid_may_write(owner) is the one rule: a login writes its own entries and
//     those of roles it is a member of; "Standard" and everyone's entries belong to
//     members of the admin role. Everyone reads "Standard" and what they may write.
//
// Saving a layout is one header call followed by one call per column. A header
// call starts a new generation of that header and remembers it on its session; a
// column written for an older generation (another user saved the same layout
// meanwhile) is refused, and reading returns the columns of the current generation
// only. Two users saving the same layout at once therefore leave one complete
// version, the one whose header call came last.
#include <string>

#include "adapters/postgres/internal.h"
#include "host/sql_text.h"

namespace vmbgrid::postgres {

namespace {

// A name as an identifier of a statement: "name", with " doubled.
std::string Ident(const std::string& name) {
  return sql::BracketNamesToDoubleQuotes(sql::QuoteName(name));
}

// A text as a literal: 'text', with ' doubled.
std::string Literal(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// "$1" placeholders of the script: ${S} schema, ${U} user role, ${A} admin role (as
// identifiers), ${u} and ${a} the role names as literals.
std::string Fill(std::string text, const std::string& schema, const StoreSetup& setup) {
  const std::pair<const char*, std::string> values[] = {{"${S}", Ident(schema)},
                                                        {"${U}", Ident(setup.userRole)},
                                                        {"${A}", Ident(setup.adminRole)},
                                                        {"${u}", Literal(setup.userRole)},
                                                        {"${a}", Literal(setup.adminRole)}};
  for (const auto& [key, value] : values) {
    for (size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size()))
      text.replace(at, std::char_traits<char>::length(key), value);
  }
  return text;
}

const char* const kRoles = R"sql(
DO $roles$ BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = ${u}) THEN
    CREATE ROLE ${U} NOLOGIN;
  END IF;
EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL;  -- another setup was quicker
END $roles$;
DO $roles$ BEGIN
  IF NOT EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = ${a}) THEN
    CREATE ROLE ${A} NOLOGIN;
  END IF;
EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL;
END $roles$;
GRANT ${U} TO ${A};
)sql";

const char* const kTables = R"sql(
CREATE TABLE IF NOT EXISTS vmgrid_schema (version integer NOT NULL);
ALTER TABLE vmgrid_schema ADD COLUMN IF NOT EXISTS user_role name,
  ADD COLUMN IF NOT EXISTS admin_role name;
CREATE TABLE IF NOT EXISTS aa_gridlayout_kopf (
  layoutid serial PRIMARY KEY,
  layout varchar(255) NOT NULL,
  sublayout varchar(100),
  "user" varchar(100),
  generation integer NOT NULL DEFAULT 1);
ALTER TABLE aa_gridlayout_kopf ADD COLUMN IF NOT EXISTS generation integer NOT NULL DEFAULT 1;
-- The grid's name carries its table (up to 127 characters with the schema), layout
-- names are up to 100 characters: wider than the first version's 50.
ALTER TABLE aa_gridlayout_kopf ALTER COLUMN layout TYPE varchar(255),
  ALTER COLUMN sublayout TYPE varchar(100), ALTER COLUMN "user" TYPE varchar(100);
CREATE INDEX IF NOT EXISTS aa_gridlayout_kopf_name ON aa_gridlayout_kopf (lower(layout), lower("user"));
CREATE TABLE IF NOT EXISTS aa_gridlayout_feld (
  nr bigserial PRIMARY KEY,
  layoutid integer NOT NULL REFERENCES aa_gridlayout_kopf (layoutid) ON DELETE CASCADE,
  caption varchar(255),
  fieldname varchar(255),
  "order" integer,
  sortdirection integer,
  sortorder integer,
  visible boolean NOT NULL DEFAULT true,
  width integer,
  generation integer NOT NULL DEFAULT 1);
ALTER TABLE aa_gridlayout_feld ADD COLUMN IF NOT EXISTS generation integer NOT NULL DEFAULT 1;
ALTER TABLE aa_gridlayout_feld ALTER COLUMN caption TYPE varchar(255),
  ALTER COLUMN fieldname TYPE varchar(255);
CREATE INDEX IF NOT EXISTS aa_gridlayout_feld_kopf ON aa_gridlayout_feld (layoutid);
CREATE TABLE IF NOT EXISTS vmgrid_settings (
  section varchar(255) NOT NULL,
  schluessel varchar(255) NOT NULL,
  owner varchar(255) NOT NULL,
  wert text,
  PRIMARY KEY (section, schluessel, owner));
-- The setup's login owns the store: a user who happened to save first (the first
-- version installed itself then) must not keep rights beside the rules.
ALTER TABLE vmgrid_schema OWNER TO CURRENT_USER;
ALTER TABLE aa_gridlayout_kopf OWNER TO CURRENT_USER;
ALTER TABLE aa_gridlayout_feld OWNER TO CURRENT_USER;
ALTER TABLE vmgrid_settings OWNER TO CURRENT_USER;
DELETE FROM vmgrid_schema;
INSERT INTO vmgrid_schema (version, user_role, admin_role) VALUES (2, ${u}, ${a});
)sql";

const char* const kFunctions = R"sql(
CREATE OR REPLACE FUNCTION vmgrid_may_write(p_owner varchar) RETURNS boolean
  LANGUAGE sql STABLE SECURITY DEFINER SET search_path = ${S}, pg_catalog, pg_temp AS $fn$
  SELECT coalesce(
    EXISTS (SELECT 1 FROM vmgrid_schema s JOIN pg_catalog.pg_roles a ON a.rolname = s.admin_role
            WHERE pg_catalog.pg_has_role(session_user, a.oid, 'MEMBER'))
    OR (lower(p_owner) <> 'standard'
        AND EXISTS (SELECT 1 FROM pg_catalog.pg_roles r WHERE r.rolname = p_owner
                    AND pg_catalog.pg_has_role(session_user, r.oid, 'MEMBER'))
        -- Entries compare without regard to case: "ANNA" must not reach anna's.
        AND NOT EXISTS (SELECT 1 FROM pg_catalog.pg_roles r
                        WHERE lower(r.rolname) = lower(p_owner) AND r.rolname <> p_owner)),
    false)
$fn$;

CREATE OR REPLACE FUNCTION vmgrid_may_read(p_owner varchar) RETURNS boolean
  LANGUAGE sql STABLE SECURITY DEFINER SET search_path = ${S}, pg_catalog, pg_temp AS $fn$
  SELECT lower(p_owner) = 'standard' OR vmgrid_may_write(p_owner)
$fn$;

-- The refusal of a write for p_owner, in German; NULL when it may be written.
CREATE OR REPLACE FUNCTION vmgrid_write_refusal(p_owner varchar) RETURNS text
  LANGUAGE sql STABLE SECURITY DEFINER SET search_path = ${S}, pg_catalog, pg_temp AS $fn$
  SELECT CASE
    WHEN vmgrid_may_write(p_owner) THEN NULL
    WHEN lower(coalesce(p_owner, '')) = 'standard' THEN
      'Die gemeinsamen Einträge von "Standard" dürfen nur Mitglieder der Rolle "'
        || (SELECT admin_role FROM vmgrid_schema LIMIT 1) || '" ändern; der Anmeldename "'
        || session_user || '" gehört nicht dazu.'
    ELSE 'Der Anmeldename "' || session_user || '" darf die Einträge von "'
        || coalesce(p_owner, '') || '" nicht ändern.'
  END
$fn$;

CREATE OR REPLACE FUNCTION aa_gridlayout(p_spaction integer, p_layout varchar DEFAULT NULL,
    p_sublayout varchar DEFAULT NULL, p_user varchar DEFAULT NULL)
  RETURNS TABLE (layoutid integer, layout varchar, sublayout varchar, "user" varchar)
  LANGUAGE plpgsql SECURITY DEFINER SET search_path = ${S}, pg_catalog, pg_temp AS $fn$
#variable_conflict use_column
DECLARE
  v_id integer;
  v_gen integer;
  v_refusal text;
BEGIN
  IF p_spaction IS NULL THEN
    RAISE EXCEPTION USING ERRCODE = 'VG001',
      MESSAGE = 'Der Prozedur "aa_gridlayout" fehlt der Parameter SPAction.';
  END IF;
  IF p_spaction = 1 OR p_spaction = 5 THEN
    -- Another login's layouts are not listed; "Standard" is everyone's.
    IF NOT vmgrid_may_read(p_user) THEN
      RETURN;
    END IF;
    RETURN QUERY SELECT k.layoutid, k.layout, k.sublayout, k."user" FROM aa_gridlayout_kopf k
      WHERE lower(k.layout) = lower(p_layout)
        AND (p_spaction = 1 OR lower(k.sublayout) IS NOT DISTINCT FROM lower(p_sublayout))
        AND lower(k."user") IS NOT DISTINCT FROM lower(p_user)
      ORDER BY CASE WHEN p_spaction = 1 THEN lower(k.sublayout) END, k.layoutid;
  ELSIF p_spaction = 2 OR p_spaction = 3 THEN
    IF p_layout IS NULL THEN
      RAISE EXCEPTION USING ERRCODE = 'VG001',
        MESSAGE = 'Ein Layout ohne Namen der Tabelle kann nicht gespeichert werden.';
    END IF;
    v_refusal := vmgrid_write_refusal(p_user);
    IF v_refusal IS NOT NULL THEN
      RAISE EXCEPTION USING ERRCODE = 'VG005', MESSAGE = v_refusal;
    END IF;
    -- One writer per layout key at a time.
    PERFORM pg_catalog.pg_advisory_xact_lock(7405218, pg_catalog.hashtext(lower(p_layout) || chr(1)
      || coalesce(lower(p_sublayout), '') || chr(1) || coalesce(lower(p_user), '')));
    IF p_spaction = 3 THEN
      DELETE FROM aa_gridlayout_kopf k WHERE lower(k.layout) = lower(p_layout)
        AND lower(k.sublayout) IS NOT DISTINCT FROM lower(p_sublayout)
        AND lower(k."user") IS NOT DISTINCT FROM lower(p_user);
      RETURN;
    END IF;
    SELECT k.layoutid INTO v_id FROM aa_gridlayout_kopf k WHERE lower(k.layout) = lower(p_layout)
      AND lower(k.sublayout) IS NOT DISTINCT FROM lower(p_sublayout)
      AND lower(k."user") IS NOT DISTINCT FROM lower(p_user)
      ORDER BY k.layoutid LIMIT 1;
    IF v_id IS NULL THEN
      INSERT INTO aa_gridlayout_kopf AS k (layout, sublayout, "user", generation)
        VALUES (p_layout, p_sublayout, p_user, 1) RETURNING k.layoutid, k.generation INTO v_id, v_gen;
    ELSE
      -- Saving again: the old columns go, and so do duplicate headers.
      DELETE FROM aa_gridlayout_kopf k WHERE lower(k.layout) = lower(p_layout)
        AND lower(k.sublayout) IS NOT DISTINCT FROM lower(p_sublayout)
        AND lower(k."user") IS NOT DISTINCT FROM lower(p_user) AND k.layoutid <> v_id;
      UPDATE aa_gridlayout_kopf k SET generation = k.generation + 1 WHERE k.layoutid = v_id
        RETURNING k.generation INTO v_gen;
      DELETE FROM aa_gridlayout_feld f WHERE f.layoutid = v_id;
    END IF;
    PERFORM pg_catalog.set_config('vmgrid.layout_' || v_id, v_gen::text, false);
    RETURN QUERY SELECT v_id, p_layout, p_sublayout, p_user;
  ELSE
    RAISE EXCEPTION USING ERRCODE = 'VG002',
      MESSAGE = 'Die Prozedur "aa_gridlayout" kennt die Aktion ' || p_spaction || ' nicht.';
  END IF;
END
$fn$;

CREATE OR REPLACE FUNCTION aa_gridlayoutfield(p_spaction integer, p_layoutid integer DEFAULT NULL,
    p_caption varchar DEFAULT NULL, p_fieldname varchar DEFAULT NULL, p_order integer DEFAULT NULL,
    p_sortdirection integer DEFAULT NULL, p_sortorder integer DEFAULT NULL,
    p_visible boolean DEFAULT NULL, p_width integer DEFAULT NULL)
  RETURNS TABLE (layoutid integer, caption varchar, fieldname varchar, "order" integer,
    sortdirection integer, sortorder integer, visible boolean, width integer)
  LANGUAGE plpgsql SECURITY DEFINER SET search_path = ${S}, pg_catalog, pg_temp AS $fn$
#variable_conflict use_column
DECLARE
  v_gen integer;
  v_owner varchar;
  v_mine text;
  v_refusal text;
BEGIN
  IF p_spaction IS NULL THEN
    RAISE EXCEPTION USING ERRCODE = 'VG001',
      MESSAGE = 'Der Prozedur "aa_gridlayoutfield" fehlt der Parameter SPAction.';
  END IF;
  IF p_spaction = 1 OR p_spaction = 4 THEN
    RETURN QUERY SELECT f.layoutid, f.caption, f.fieldname, f."order", f.sortdirection,
        f.sortorder, f.visible, f.width
      FROM aa_gridlayout_feld f JOIN aa_gridlayout_kopf k ON k.layoutid = f.layoutid
      WHERE f.layoutid = p_layoutid AND f.generation = k.generation AND vmgrid_may_read(k."user")
      ORDER BY CASE WHEN p_spaction = 4 THEN f.sortorder END, f.nr;
  ELSIF p_spaction = 2 THEN
    -- Waits for a header call of another session on the same layout to finish.
    SELECT k.generation, k."user" INTO v_gen, v_owner FROM aa_gridlayout_kopf k
      WHERE k.layoutid = p_layoutid FOR SHARE;
    IF NOT FOUND THEN
      RAISE EXCEPTION USING ERRCODE = 'VG003',
        MESSAGE = 'Zu dieser Spalte gibt es kein gespeichertes Layout.';
    END IF;
    v_refusal := vmgrid_write_refusal(v_owner);
    IF v_refusal IS NOT NULL THEN
      RAISE EXCEPTION USING ERRCODE = 'VG005', MESSAGE = v_refusal;
    END IF;
    v_mine := pg_catalog.current_setting('vmgrid.layout_' || p_layoutid, true);
    IF v_mine IS NOT NULL AND v_mine <> '' AND v_mine::integer <> v_gen THEN
      RAISE EXCEPTION USING ERRCODE = 'VG004',
        MESSAGE = 'Das Layout wurde inzwischen von einer anderen Verbindung neu gespeichert; '
                  'diese Fassung wurde nicht übernommen.';
    END IF;
    INSERT INTO aa_gridlayout_feld (layoutid, caption, fieldname, "order", sortdirection,
        sortorder, visible, width, generation)
      VALUES (p_layoutid, p_caption, p_fieldname, p_order, p_sortdirection, p_sortorder,
        coalesce(p_visible, true), p_width, v_gen);
  ELSE
    RAISE EXCEPTION USING ERRCODE = 'VG002',
      MESSAGE = 'Die Prozedur "aa_gridlayoutfield" kennt die Aktion ' || p_spaction || ' nicht.';
  END IF;
END
$fn$;
)sql";

const char* const kRules = R"sql(
ALTER FUNCTION vmgrid_may_write(varchar) OWNER TO CURRENT_USER;
ALTER FUNCTION vmgrid_may_read(varchar) OWNER TO CURRENT_USER;
ALTER FUNCTION vmgrid_write_refusal(varchar) OWNER TO CURRENT_USER;
ALTER FUNCTION aa_gridlayout(integer, varchar, varchar, varchar) OWNER TO CURRENT_USER;
ALTER FUNCTION aa_gridlayoutfield(integer, integer, varchar, varchar, integer, integer, integer,
  boolean, integer) OWNER TO CURRENT_USER;
ALTER TABLE vmgrid_settings ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS vmgrid_lesen ON vmgrid_settings;
DROP POLICY IF EXISTS vmgrid_anlegen ON vmgrid_settings;
DROP POLICY IF EXISTS vmgrid_aendern ON vmgrid_settings;
DROP POLICY IF EXISTS vmgrid_loeschen ON vmgrid_settings;
CREATE POLICY vmgrid_lesen ON vmgrid_settings FOR SELECT
  USING (owner = 'Standard' OR vmgrid_may_write(owner));
CREATE POLICY vmgrid_anlegen ON vmgrid_settings FOR INSERT WITH CHECK (vmgrid_may_write(owner));
CREATE POLICY vmgrid_aendern ON vmgrid_settings FOR UPDATE
  USING (vmgrid_may_write(owner)) WITH CHECK (vmgrid_may_write(owner));
CREATE POLICY vmgrid_loeschen ON vmgrid_settings FOR DELETE USING (vmgrid_may_write(owner));
REVOKE ALL ON vmgrid_schema, aa_gridlayout_kopf, aa_gridlayout_feld, vmgrid_settings FROM PUBLIC;
REVOKE ALL ON SEQUENCE aa_gridlayout_kopf_layoutid_seq, aa_gridlayout_feld_nr_seq FROM PUBLIC;
REVOKE ALL ON FUNCTION vmgrid_may_write(varchar), vmgrid_may_read(varchar),
  vmgrid_write_refusal(varchar), aa_gridlayout(integer, varchar, varchar, varchar),
  aa_gridlayoutfield(integer, integer, varchar, varchar, integer, integer, integer, boolean,
  integer) FROM PUBLIC;
GRANT USAGE ON SCHEMA ${S} TO ${U};
GRANT SELECT ON vmgrid_schema TO ${U};
GRANT SELECT, INSERT, UPDATE, DELETE ON vmgrid_settings TO ${U};
GRANT EXECUTE ON FUNCTION vmgrid_may_write(varchar), vmgrid_may_read(varchar),
  vmgrid_write_refusal(varchar), aa_gridlayout(integer, varchar, varchar, varchar),
  aa_gridlayoutfield(integer, integer, varchar, varchar, integer, integer, integer, boolean,
  integer) TO ${U};
)sql";

}  // namespace

std::string StoreScript(const std::string& schema, const StoreSetup& setup) {
  std::string script = "SELECT pg_catalog.pg_advisory_xact_lock(7405217);";
  for (const char* part : {kRoles, kTables, kFunctions, kRules})
    script += Fill(part, schema, setup);
  for (const std::string& login : setup.users)
    script += "GRANT " + Ident(setup.userRole) + " TO " + Ident(login) + ";\n";
  for (const std::string& login : setup.admins)
    script += "GRANT " + Ident(setup.adminRole) + " TO " + Ident(login) + ";\n";
  return script;
}

}  // namespace vmbgrid::postgres
