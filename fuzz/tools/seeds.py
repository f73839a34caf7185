#!/usr/bin/env python3
"""Writes the seed inputs of every harness into fuzz/corpus/<harness>/."""
import os
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "corpus")

# Criteria: selector "@"+n (kind 0), "P"+n (kind 1), "`"+n (name with "]").
T = {"int": 1, "single": 2, "bigint": 4, "double": 5, "long": 6, "date": 7, "stamp": 8,
     "bool": 9, "fmt": 10, "text": 11, "char": 12, "guid": 13, "memo": 14, "money": 15}
def k0(t): return chr(0x40 + T[t])
def k1(t): return chr(0x50 + T[t])
def br(t): return chr(0x60 + T[t])

CRITERIA = {
    "text_plain": k0("text") + "Meier",
    "text_wildcard": k0("text") + "Mül*",
    "text_range": k0("text") + "A-M",
    "text_colon_range": k0("text") + "A:M",
    "text_alternatives": k0("text") + "Meier;Schulz,Koch",
    "text_literal": k0("text") + '"Meier-Schulz, A"',
    "text_empty_literal": k0("text") + '""',
    "text_or_prefix": k0("text") + "ODER Meier",
    "text_or_only": k0("text") + "ODER ",
    "text_lower_oder": k0("text") + "oder Meier",
    "text_quote_injection": k0("text") + "x' OR '1'='1",
    "text_comment_injection": k0("text") + "a'; DROP TABLE kunden; --",
    "text_operators": k0("text") + ">=M;<>Ja;!=x;=<z",
    "text_value_list": k0("text") + "Ja",
    "text_wildcard_in_range": k0("text") + "A*-M;Koch",
    "text_three_parts": k0("text") + "1-2-3",
    "text_lone_minus": k0("text") + "-",
    "text_empty_alternatives": k0("text") + ";;",
    "text_bracket_name": br("text") + "a]b'",
    "char_umlaut": k0("char") + "Ärger*",
    "fmt_grouped": k0("fmt") + "DE12 3456 7890",
    "int_negative_is_range": k0("int") + "-5",
    "int_list": k0("int") + "1,2",
    "int_open_range": k0("int") + "100-",
    "int_wildcard": k0("int") + "1*",
    "int_injection": k0("int") + "1 OR 1=1",
    "int_huge": k0("bigint") + "99999999999999999999999",
    "int_exponent": k0("int") + ">=1e400",
    "single_comma": k0("single") + "1,5",
    "double_comma": k0("double") + "1,5-2,5",
    "long_exponent": k0("long") + "1e-7;-0",
    "date_german": k0("date") + "1.2.2003",
    "date_kind1": k1("date") + "01.02.03-31.12.2003",
    "date_time_range": k0("stamp") + "12:30",
    "date_hash_injection": k1("date") + "2003-02-01# OR #1",
    "date_like_kind1": k1("stamp") + "2003*",
    "date_literal": k1("date") + '"1.2.2003"',
    "date_invalid": k0("date") + "31.02.2003",
    "bool_true_kind0": k0("bool") + "-1",
    "bool_true_kind1": k1("bool") + "Wahr",
    "bool_not_number": k0("bool") + "vielleicht",
    "guid_braced": k0("guid") + "{6B29FC40-CA47-1067-B31D-00DD010662DA}",
    "guid_injection": k0("guid") + "x' OR '1'='1",
    "memo_not_searchable": k0("memo") + "Meier",
    "money_unsupported": k0("money") + "10",
    "text_nul_byte": k0("text") + "a\x00b",
    "text_bad_utf8": k0("text") + "\xc3(\xff*",
}

LAYOUT = {
    "empty_file": "",
    "not_json": "Layouts der Kundenliste",
    "empty_object": "{}",
    "no_layouts": '{"format":"VMBGrid-Layouts","version":1}',
    "empty_list": '{"format":"VMBGrid-Layouts","version":1,"layouts":[]}',
    "newer_version": '{"version":2,"layouts":[]}',
    "one_layout": '{"format":"VMBGrid-Layouts","version":1,"layouts":[{"name":"Standard",'
                  '"headerLines":1,"rowHeight":240,"recordSelectors":true,"columns":['
                  '{"index":0,"dataField":"Nr","caption":"Nummer","width":900,"visible":true,'
                  '"order":0},{"index":1,"dataField":"Name","caption":"Name","width":2400.5,'
                  '"visible":false,"order":1,"alignment":2,"numberFormat":"","dropDown":"x",'
                  '"translate":true,"presentation":4}]}]}',
    "two_layouts_one_bad": '{"layouts":[{"name":"A","columns":[]},{"name":"B","columns":5}]}',
    "duplicate_names": '{"layouts":[{"name":"A","columns":[]},{"name":"A","rowHeight":10,'
                       '"columns":[]}]}',
    "duplicate_index": '{"layouts":[{"name":"A","columns":[{"index":0,"dataField":"a",'
                       '"caption":"","width":1,"visible":true,"order":0},{"index":0,'
                       '"dataField":"b","caption":"","width":1,"visible":true,"order":1}]}]}',
    "gap_in_index": '{"layouts":[{"name":"A","columns":[{"index":3,"dataField":"a",'
                    '"caption":"","width":1,"visible":true,"order":0}]}]}',
    "width_out_of_range": '{"layouts":[{"name":"A","columns":[{"dataField":"a","caption":"",'
                          '"width":-1e308,"visible":true,"order":0}]}]}',
    "order_fraction": '{"layouts":[{"name":"A","columns":[{"dataField":"a","caption":"",'
                      '"width":1,"visible":true,"order":0.5}]}]}',
    "index_huge": '{"layouts":[{"name":"A","columns":[{"index":1e300,"dataField":"a",'
                  '"caption":"","width":1,"visible":true,"order":0}]}]}',
    "name_not_text": '{"layouts":[{"name":7,"columns":[]}]}',
    "empty_name": '{"layouts":[{"name":"","columns":[]}]}',
    "deep_nesting": "[" * 5000 + "]" * 5000,
    "deep_in_string": '{"layouts":[],"x":"' + "[" * 200 + '"}',
    "truncated": '{"layouts":[{"name":"A","columns":[{"dataField":"a"',
    "bad_utf8": '{"layouts":[{"name":"\xff","columns":[]}]}',
    "unknown_members_kept": '{"layouts":[{"name":"A","columns":[],"extra":{"a":[1,2]}}],'
                            '"other":true}',
    "version_fraction": '{"version":1.5,"layouts":[]}',
    "bom": "\ufeff" + '{"layouts":[]}',
    "nul_byte": '{"layouts":[]}\x00',
    "escapes": '{"layouts":[{"name":"\\u00c4rger\\"\\\\","columns":[{"dataField":"a\\u0000b",'
               '"caption":"\\ud83d\\ude00","width":0,"visible":true,"order":0}]}]}',
}

SETTINGS = {
    "plain": "App\\Kunden\\grdKunden\nMaxRecords\nmeier\n500",
    "empty_value": "App\\Kunden\\grdKunden\nShowEmptyGrid\nmeier\n",
    "standard_owner": "App\\Kunden\\grdKunden\nGridLayouts\nStandard\nStandard;Temp",
    "quote_in_value": "s\nk\nu\nx'); DROP TABLE vmgrid_settings; --",
    "quote_in_key": "s'\nk' OR '1'='1\nu\"\nv",
    "query_text": "App\\F\\g\nQueries/App\\F\\g\nmeier\nName~Mei*!Ort~=1:Text!",
    "multiline_value": "s\nk\nu\nzeile 1\nzeile 2\r\n",
    "umlauts": "Ärger\nSchlüssel\nMÜLLER\nStraße",
    "bad_utf8": "s\nk\nu\n\xff\xfe\xc3",
    "nul_in_value": "s\nk\nu\na\x00b",
    "nul_in_key": "s\nk\x00x\nu\nv",
    "empty_everything": "\n\n\n",
    "number_like": "s\nk\nu\n0001.50",
    "long_value": "s\nk\nu\n" + "x" * 3000,
    "percent_and_underscore": "s%\nk_\nu*\n%_*?",
    "only_section": "s",
}

CONNECTION = {
    "sqlite": "Provider=SQLite;Data Source=kunden.db",
    "create": "Provider=SQLite;Data Source=neu.db;Mode=Create",
    "memory": "Provider=SQLite;Data Source=:memory:",
    "quoted_semicolon": 'Provider=SQLite;Data Source="C:\\Daten;alt\\kunden.db"',
    "single_quoted": "Data Source='a=b;c';Mode=ReadOnly",
    "doubled_quote": 'Password="ab""c";User ID=meier',
    "unterminated": 'Data Source="kunden.db',
    "no_equals": "Provider",
    "no_name": "=SQLite",
    "empty": "",
    "only_separators": " ;; ; ",
    "blanks_around": "  Provider = SQLite ; Data Source =  a b  ;",
    "duplicate_key": "provider=a;PROVIDER=b",
    "text_after_quote": 'Data Source="a" b;x=1',
    "equals_in_value": "Extended Properties=a=b=c",
    "quote_inside_value": "Data Source=O'Brien.db",
    "trailing_blank_quoted": 'x=" a ";y=\'\'',
    "umlauts": "Datenbank=Übersicht.db;Benutzer=Jürgen",
    "control_chars": "a=\x01\x02;\tb\t=\r\n",
    "nul": "a=b\x00c;d=e",
}

RECORDSET = {
    "f_compare": "FNr = 3",
    "f_bracketed": "F[Nr] >= 2 AND [Name] <> 'Müller'",
    "f_like": "FName LIKE 'M*'",
    "f_like_percent": "FName LIKE '%ü%'",
    "f_or_parens": "F(Nr < 2 OR Nr > 4) AND Aktiv = True",
    "f_date_hash": "FDatum = #2003-02-01#",
    "f_date_us": "FDatum >= #02/01/2003#",
    "f_null": "FName IS NULL",
    "f_not": "FNOT (Nr = 1)",
    "f_unbalanced": "F(Nr = 1",
    "f_extra_close": "FNr = 1)",
    "f_unknown_field": "FOrt = 'Köln'",
    "f_unterminated_text": "FName = 'abc",
    "f_injection": "FName = 'x'; DROP TABLE t; --",
    "f_deep": "F" + "(" * 400 + "Nr = 1" + ")" * 400,
    "f_number_forms": "FBetrag > 1e308 OR Betrag < -1.5e-3 OR Nr = 1.",
    "f_bad_number": "FNr = 1.2.3",
    "f_empty": "F",
    "f_quote_doubled": "FName = 'O''Brien'",
    "f_minus": "FBetrag = -20 OR Betrag = - 0.5",
    "s_plain": "SName",
    "s_multi": "S[Betrag] DESC, Nr ASC",
    "s_unknown": "SOrt",
    "s_garbage": "SName DESC DESC",
    "s_trailing_comma": "SNr,",
    "s_blank": "S   ",
    "s_bracket_unclosed": "S[Name",
    "find_forward": "?Nr = 5",
    "find_backward": "BName LIKE 'M*'",
    "find_and": "?Nr = 1 AND Nr = 2",
    "find_bad": "?=",
}

TYPED = {
    "german": "1.2.2003", "german_two_digit": "01.02.30", "german_no_year": "24.12.",
    "iso": "2003-02-01", "iso_time": "2003-02-01T12:30", "iso_seconds": "2003-02-01 23:59:59",
    "feb29": "29.02.2024", "feb29_no_leap": "29.02.2023", "year_zero": "0000-01-01",
    "year_9999": "31.12.9999", "time_24": "1.1.2000 24:00", "blank_time": "1.1.2000   ",
    "us_slash": "02/01/2003", "number_comma": "1,5", "number_exp": "-3e2",
    "number_huge": "1e400", "number_blanks": "  7  ", "number_hex": "0x1A",
    "number_inf": "inf", "number_nan": "nan", "number_point": ".5", "number_trailing": "5.",
    "bool_word": "Wahr", "many_digits": "9" * 40, "empty": "", "date_digits": "123456789.1.2000",
    "nul": "1.1.2000\x00", "minus_zero": "-0", "plus": "+1", "thousands": "1.000,50",
}

KEYS = {
    "shift_tab": "+{TAB}", "tab": "{TAB}", "left": "{Left}", "right": "{RIGHT}",
    "unclosed": "{TAB", "empty": "", "umlaut": "ä{TAB}x", "f12": "{F12}", "f13": "{F13}",
    "f0": "{F0}", "f_leading_zero": "{F01}", "f_long": "{F99999999999999999999}",
    "braces": "{}{}{}{}", "truncated_utf8": "\xe2\x82", "stray_bytes": "\xff\xfe\x80",
    "tilde": "~~~~", "letters": "abc", "digits": "019", "nested": "{{TAB}}",
    "percent_caret": "%^+", "long": "{" + "x" * 1000 + "}",
}

SETS = {"criteria": CRITERIA, "layout_file": LAYOUT, "settings": SETTINGS,
        "connection_string": CONNECTION, "recordset_texts": RECORDSET,
        "typed_values": TYPED, "keys": KEYS}

def main():
    for harness, seeds in SETS.items():
        folder = os.path.join(ROOT, harness)
        os.makedirs(folder, exist_ok=True)
        for name, text in seeds.items():
            data = text.encode("latin-1") if harness == "criteria" else None
            if data is None:
                # "\xff"-style escapes stand for single bytes; other characters are UTF-8.
                data = b"".join(c.encode("latin-1") if 0x80 <= ord(c) <= 0xff and
                                name in ("bad_utf8", "truncated_utf8", "stray_bytes")
                                else c.encode("utf-8") for c in text)
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    return 0

if __name__ == "__main__":
    sys.exit(main())
