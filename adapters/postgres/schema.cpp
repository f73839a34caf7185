// The layout schema on the server: tables and the two layout functions, in the
// version kSchemaVersion. Every statement can run again (idempotent); the session
// runs the whole text in one transaction under an advisory lock.
//
// Saving a layout is one header call followed by one call per column. A header
// call starts a new generation of that header and remembers it on its session; a
// column written for an older generation (another user saved the same layout
// meanwhile) is refused, and reading returns the columns of the current generation
// only. Two users saving the same layout at once therefore leave one complete
// version, the one whose header call came last.
#include "adapters/postgres/internal.h"

namespace vmbgrid::postgres {

const char* SchemaScript() {
  return R"sql(
CREATE TABLE IF NOT EXISTS vmgrid_schema (version integer NOT NULL);
CREATE TABLE IF NOT EXISTS aa_gridlayout_kopf (
  layoutid serial PRIMARY KEY,
  layout varchar(50) NOT NULL,
  sublayout varchar(50),
  "user" varchar(50),
  generation integer NOT NULL DEFAULT 1);
ALTER TABLE aa_gridlayout_kopf ADD COLUMN IF NOT EXISTS generation integer NOT NULL DEFAULT 1;
CREATE INDEX IF NOT EXISTS aa_gridlayout_kopf_name ON aa_gridlayout_kopf (lower(layout), lower("user"));
CREATE TABLE IF NOT EXISTS aa_gridlayout_feld (
  nr bigserial PRIMARY KEY,
  layoutid integer NOT NULL REFERENCES aa_gridlayout_kopf (layoutid) ON DELETE CASCADE,
  caption varchar(50),
  fieldname varchar(50),
  "order" integer,
  sortdirection integer,
  sortorder integer,
  visible boolean NOT NULL DEFAULT true,
  width integer,
  generation integer NOT NULL DEFAULT 1);
ALTER TABLE aa_gridlayout_feld ADD COLUMN IF NOT EXISTS generation integer NOT NULL DEFAULT 1;
CREATE INDEX IF NOT EXISTS aa_gridlayout_feld_kopf ON aa_gridlayout_feld (layoutid);
CREATE TABLE IF NOT EXISTS vmgrid_settings (
  section varchar(255) NOT NULL,
  schluessel varchar(255) NOT NULL,
  owner varchar(255) NOT NULL,
  wert text,
  PRIMARY KEY (section, schluessel, owner));

CREATE OR REPLACE FUNCTION aa_gridlayout(p_spaction integer, p_layout varchar DEFAULT NULL,
    p_sublayout varchar DEFAULT NULL, p_user varchar DEFAULT NULL)
  RETURNS TABLE (layoutid integer, layout varchar, sublayout varchar, "user" varchar)
  LANGUAGE plpgsql AS $fn$
#variable_conflict use_column
DECLARE
  v_id integer;
  v_gen integer;
BEGIN
  IF p_spaction IS NULL THEN
    RAISE EXCEPTION USING ERRCODE = 'VG001',
      MESSAGE = 'Der Prozedur "aa_gridlayout" fehlt der Parameter SPAction.';
  END IF;
  IF p_spaction = 1 THEN
    RETURN QUERY SELECT k.layoutid, k.layout, k.sublayout, k."user" FROM aa_gridlayout_kopf k
      WHERE lower(k.layout) = lower(p_layout) AND lower(k."user") IS NOT DISTINCT FROM lower(p_user)
      ORDER BY lower(k.sublayout), k.layoutid;
  ELSIF p_spaction = 5 THEN
    RETURN QUERY SELECT k.layoutid, k.layout, k.sublayout, k."user" FROM aa_gridlayout_kopf k
      WHERE lower(k.layout) = lower(p_layout)
        AND lower(k.sublayout) IS NOT DISTINCT FROM lower(p_sublayout)
        AND lower(k."user") IS NOT DISTINCT FROM lower(p_user)
      ORDER BY k.layoutid;
  ELSIF p_spaction = 2 OR p_spaction = 3 THEN
    IF p_layout IS NULL THEN
      RAISE EXCEPTION USING ERRCODE = 'VG001',
        MESSAGE = 'Ein Layout ohne Namen der Tabelle kann nicht gespeichert werden.';
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
  LANGUAGE plpgsql AS $fn$
#variable_conflict use_column
DECLARE
  v_gen integer;
  v_mine text;
BEGIN
  IF p_spaction IS NULL THEN
    RAISE EXCEPTION USING ERRCODE = 'VG001',
      MESSAGE = 'Der Prozedur "aa_gridlayoutfield" fehlt der Parameter SPAction.';
  END IF;
  IF p_spaction = 1 OR p_spaction = 4 THEN
    RETURN QUERY SELECT f.layoutid, f.caption, f.fieldname, f."order", f.sortdirection,
        f.sortorder, f.visible, f.width
      FROM aa_gridlayout_feld f JOIN aa_gridlayout_kopf k ON k.layoutid = f.layoutid
      WHERE f.layoutid = p_layoutid AND f.generation = k.generation
      ORDER BY CASE WHEN p_spaction = 4 THEN f.sortorder END, f.nr;
  ELSIF p_spaction = 2 THEN
    -- Waits for a header call of another session on the same layout to finish.
    SELECT k.generation INTO v_gen FROM aa_gridlayout_kopf k WHERE k.layoutid = p_layoutid FOR SHARE;
    IF NOT FOUND THEN
      RAISE EXCEPTION USING ERRCODE = 'VG003',
        MESSAGE = 'Zu dieser Spalte gibt es kein gespeichertes Layout.';
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

DELETE FROM vmgrid_schema;
INSERT INTO vmgrid_schema (version) VALUES (1);
)sql";
}

}  // namespace vmbgrid::postgres
