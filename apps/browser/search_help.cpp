#include "apps/browser/search_help.h"

namespace vmbgrid::browser {

std::string SearchHelpHtml() {
  return "<h3>Suchen in der Suchzeile</h3>"
         "<p>Tippen Sie das Kriterium in die Zelle über der Spalte; gesucht wird beim "
         "Verlassen der Zelle. Die Eingabetaste geht zur nächsten Zelle der Suchzeile, "
         "Tab in die Tabelle. Mehrere Zellen gelten zusammen (UND).</p>"
         "<table cellspacing='4'>"
         "<tr><td><tt>Mei*</tt></td><td>beginnt mit „Mei“ (<tt>*</tt> beliebig viele "
         "Zeichen)</td></tr>"
         "<tr><td><tt>M?ier</tt></td><td><tt>?</tt> steht für genau ein Zeichen</td></tr>"
         "<tr><td><tt>1000-2000</tt></td><td>Bereich von 1000 bis 2000</td></tr>"
         "<tr><td><tt>A:M</tt></td><td>Bereich von „A“ bis „M“ (wie <tt>A-M</tt>); „Meier“ "
         "liegt hinter „M“, alle bis M findet <tt>&lt;N</tt></td></tr>"
         "<tr><td><tt>100-</tt> / <tt>-100</tt></td><td>mindestens / höchstens 100</td></tr>"
         "<tr><td><tt>Bonn;Köln</tt></td><td>Bonn oder Köln (auch <tt>Bonn,Köln</tt>)</td></tr>"
         "<tr><td><tt>ODER Bonn</tt></td><td>Alternative zu den anderen Spalten mit ODER; "
         "die übrigen Spalten gelten weiter (UND)</td></tr>"
         "<tr><td><tt>\"Meier-Schulz\"</tt></td><td>genau dieser Text, ohne Bereich und "
         "Platzhalter</td></tr>"
         "<tr><td><tt>&gt;=1000</tt></td><td>Vergleich: <tt>&gt;= &lt;= &lt;&gt; &gt; "
         "&lt;</tt></td></tr>"
         "<tr><td><tt>&lt;-5</tt>, <tt>-10:-5</tt></td><td>negative Zahlen: nach einem "
         "Vergleich oder als Bereich mit <tt>:</tt></td></tr>"
         "<tr><td><tt>\"-5\"</tt></td><td>genau minus 5 (<tt>-5</tt> allein heißt "
         "höchstens 5)</td></tr>"
         "<tr><td><tt>-1</tt> / <tt>0</tt></td><td>Ja / Nein in Ja/Nein-Spalten</td></tr>"
         "<tr><td><tt>1.2.2003</tt></td><td>Datum; <tt>1.1.2000-31.12.2000</tt> ein "
         "Zeitraum; mit Uhrzeit der ganze Tag</td></tr>"
         "<tr><td><tt>31.7.2024 13:45</tt></td><td>Datum mit Uhrzeit, auf die Sekunde</td></tr>"
         "<tr><td><tt>8:00-12:30</tt></td><td>Uhrzeiten in Zeitspalten</td></tr>"
         "<tr><td><tt>1,5-2,5</tt></td><td>Dezimalzahlen mit Komma</td></tr>"
         "</table>"
         "<p>Groß- und Kleinschreibung zählt nicht (<tt>strasse</tt> findet „Straße“). "
         "Ein Kriterium, das die Spalte nicht annehmen kann, wird gemeldet; die Tabelle "
         "bleibt dann leer, bis es berichtigt ist. Ein Klick auf das Kästchen links in der "
         "Suchzeile löscht alle Kriterien.</p>";
}

}  // namespace vmbgrid::browser
