<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>Application</name>
    <message>
        <source>Unknown exception</source>
        <translation>Unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>CapacityTally</name>
    <message>
        <source>%1 Ah %2 Wh</source>
        <translation>%1 Ah %2 Wh</translation>
    </message>
    <message>
        <source>+%1 d</source>
        <translation>+%1 T</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Discharge tests with a programmable DC electronic load.</source>
        <translation>Entladetests mit einer programmierbaren elektronischen Gleichstromlast.</translation>
    </message>
    <message>
        <source>Displays this help.</source>
        <translation>Zeigt diese Hilfe an.</translation>
    </message>
    <message>
        <source>Displays version information.</source>
        <translation>Zeigt die Versionsinformation an.</translation>
    </message>
    <message>
        <source>Puts PATH in &quot;Comm Port&quot; of the port settings at start (a serial device, a link to one, or Com1 to Com4); Setting and OK open it.</source>
        <translation>Trägt PATH beim Start unter „Anschluss“ der Anschlusseinstellungen ein (ein serielles Gerät, ein Link darauf oder Com1 bis Com4); „Optionen“ und „OK“ öffnen ihn.</translation>
    </message>
    <message>
        <source>While the load is on, switches it off when it has given no reading for SECONDS (default %1; 0: never): the minimum-voltage stop cannot work without readings.</source>
        <translation>Schaltet die eingeschaltete Last ab, wenn sie SECONDS Sekunden lang keinen Messwert geliefert hat (Vorgabe %1; 0: nie): Ohne Messwerte kann die Mindestspannungsabschaltung nicht arbeiten.</translation>
    </message>
    <message>
        <source>Writes the serial link&apos;s trace to FILE, each line with its time: opens, closes, hang-ups and errors, and every frame sent and chunk received in hex. For finding out what goes wrong on a link.</source>
        <translation>Schreibt das Protokoll der seriellen Verbindung in FILE, jede Zeile mit ihrer Zeit: Öffnen, Schließen, Auflegen und Fehler sowie jeden gesendeten Rahmen und jeden empfangenen Block in Hexadezimal. Zur Fehlersuche an einer Verbindung.</translation>
    </message>
    <message>
        <source>Shows the program&apos;s texts in the language CODE (de, en, zh_CN, ...) instead of the system&apos;s; &quot;source&quot; shows them as written in the program.</source>
        <translation>Zeigt die Texte des Programms in der Sprache CODE (de, en, zh_CN, ...) statt in der des Systems; „source“ zeigt sie so, wie sie im Programm stehen.</translation>
    </message>
    <message>
        <source>%1: %2
Try &apos;%1 --help&apos;.
</source>
        <translation>%1: %2
Siehe „%1 --help“.
</translation>
    </message>
    <message>
        <source>Usage: %1 [options]</source>
        <translation>Aufruf: %1 [Optionen]</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unerwartetes Argument „%1“.</translation>
    </message>
    <message>
        <source>--silence-limit needs a number of seconds from 0 to 86400, not &apos;%1&apos;.</source>
        <translation>--silence-limit braucht eine Zahl von Sekunden von 0 bis 86400, nicht „%1“.</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
</context>
<context>
    <name>PollInterval</name>
    <message>
        <source>The load was not switched on: a Send-frequency of %1 ms stops polling, so no reading would come and the minimum-voltage stop could not work. Under Setting, set a Send-frequency of at least %2 ms, then Load ON.</source>
        <translation>Die Last wurde nicht eingeschaltet: Ein Abfrageintervall von %1 ms schaltet die Abfrage ab, es kämen keine Messwerte und die Mindestspannungsabschaltung könnte nicht arbeiten. Stellen Sie unter „Optionen“ ein Abfrageintervall von mindestens %2 ms ein und drücken Sie dann „Last EIN“.</translation>
    </message>
    <message>
        <source>The load was not switched on: a Send-frequency of %1 ms is shorter than %2 bit/s can carry, so the answers would run together and the minimum-voltage stop could not work. Under Setting, set a Send-frequency of at least %3 ms, then Load ON.</source>
        <translation>Die Last wurde nicht eingeschaltet: Ein Abfrageintervall von %1 ms ist kürzer, als %2 bit/s übertragen können; die Antworten liefen ineinander und die Mindestspannungsabschaltung könnte nicht arbeiten. Stellen Sie unter „Optionen“ ein Abfrageintervall von mindestens %3 ms ein und drücken Sie dann „Last EIN“.</translation>
    </message>
    <message>
        <source>Polling off: Load ON needs %1 ms or more</source>
        <translation>Abfrage aus: „Last EIN“ braucht %1 ms oder mehr</translation>
    </message>
    <message>
        <source>Too short for %1 bit/s: %2 ms or more</source>
        <translation>Zu kurz für %1 bit/s: %2 ms oder mehr</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>Unbekannte Option „%1“.</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>Unbekannte Optionen: %1.</translation>
    </message>
    <message>
        <source>Missing value after &apos;%1&apos;.</source>
        <translation>Fehlender Wert nach „%1“.</translation>
    </message>
    <message>
        <source>Unexpected value after &apos;%1&apos;.</source>
        <translation>Unerwarteter Wert nach „%1“.</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>Optionen:</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>QPrintPreviewDialog</name>
    <message>
        <source>Print Preview</source>
        <translation>Druckvorschau</translation>
    </message>
    <message>
        <source>Fit width</source>
        <translation>Breite anpassen</translation>
    </message>
    <message>
        <source>Fit page</source>
        <translation>Seite anpassen</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Hochformat</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Querformat</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>Erste Seite</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Vorige Seite</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Nächste Seite</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Letzte Seite</translation>
    </message>
    <message>
        <source>Show single page</source>
        <translation>Einzelne Seite anzeigen</translation>
    </message>
    <message>
        <source>Show facing pages</source>
        <translation>Gegenüberliegende Seiten anzeigen</translation>
    </message>
    <message>
        <source>Show overview of all pages</source>
        <translation>Übersicht aller Seiten anzeigen</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Page setup</source>
        <translation>Seite einrichten</translation>
    </message>
</context>
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>ReadingStore</name>
    <message>
        <source>The configuration file %1 is damaged (line %2: %3).</source>
        <translation>Die Konfigurationsdatei %1 ist beschädigt (Zeile %2: %3).</translation>
    </message>
    <message>
        <source>an alias without a name</source>
        <translation>ein Alias ohne Namen</translation>
    </message>
    <message>
        <source>not a NAME=VALUE line</source>
        <translation>keine Zeile der Form NAME=WERT</translation>
    </message>
    <message>
        <source>a parameter before the first alias</source>
        <translation>ein Parameter vor dem ersten Alias</translation>
    </message>
    <message>
        <source>The configuration file %1 %2.</source>
        <translation>Die Konfigurationsdatei %1 %2.</translation>
    </message>
    <message>
        <source>cannot be read (%1)</source>
        <translation>kann nicht gelesen werden (%1)</translation>
    </message>
    <message>
        <source>is not a regular file</source>
        <translation>ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>is larger than %1 KiB: it is no alias file</source>
        <translation>ist größer als %1 KiB: Sie ist keine Aliasdatei</translation>
    </message>
    <message>
        <source>cannot be written (%1)</source>
        <translation>kann nicht geschrieben werden (%1)</translation>
    </message>
    <message>
        <source>The folder %1 of the configuration file cannot be created.</source>
        <translation>Der Ordner %1 der Konfigurationsdatei kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The configuration file %1 cannot be written (%2).</source>
        <translation>Die Konfigurationsdatei %1 kann nicht geschrieben werden (%2).</translation>
    </message>
    <message>
        <source>there is no data directory</source>
        <translation>es gibt kein Datenverzeichnis</translation>
    </message>
    <message>
        <source>the directory %1 cannot be created</source>
        <translation>das Verzeichnis %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>%1 cannot be made (%2)</source>
        <translation>%1 kann nicht angelegt werden (%2)</translation>
    </message>
    <message>
        <source>%1 cannot be written (%2)</source>
        <translation>%1 kann nicht geschrieben werden (%2)</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>der Datenträger ist voll</translation>
    </message>
    <message>
        <source>%1 cannot be emptied (%2)</source>
        <translation>%1 kann nicht geleert werden (%2)</translation>
    </message>
    <message>
        <source>Have no install BDE ,Please insatll !</source>
        <translation>Die Tabellen-Engine ist nicht eingerichtet. Bitte installieren Sie sie.</translation>
    </message>
    <message>
        <source>Alias %1 holds a PASSWORD: remove it from the table engine&apos;s configuration and keep the password in ~/.pgpass (or the file PGPASSFILE names)</source>
        <translation>Alias %1 enthält ein PASSWORD: Entfernen Sie es aus der Konfiguration der Tabellen-Engine und legen Sie das Passwort in ~/.pgpass ab (oder in der Datei, die PGPASSFILE nennt)</translation>
    </message>
    <message>
        <source>Alias %1: PORT=%2 is not a port number</source>
        <translation>Alias %1: PORT=%2 ist keine Portnummer</translation>
    </message>
    <message>
        <source>Alias %1 has no SCHEMA parameter</source>
        <translation>Alias %1 hat keinen Parameter SCHEMA</translation>
    </message>
    <message>
        <source>Alias %1: SCHEMA=%2 is longer than the %3 bytes a server takes for a name</source>
        <translation>Alias %1: SCHEMA=%2 ist länger als die %3 Bytes, die ein Server für einen Namen annimmt</translation>
    </message>
    <message>
        <source>The reading table is not set up: %1 has no alias %2</source>
        <translation>Die Messwerttabelle ist nicht eingerichtet: %1 hat keinen Alias %2</translation>
    </message>
    <message>
        <source>Alias %1 has no PATH parameter</source>
        <translation>Alias %1 hat keinen Parameter PATH</translation>
    </message>
    <message>
        <source>The server of the reading table cannot be reached or used (%1): %2
The program goes on: readings are kept and stored as soon as the server takes them.</source>
        <translation>Der Server der Messwerttabelle ist nicht erreichbar oder nicht nutzbar (%1): %2
Das Programm läuft weiter: Die Messwerte werden aufbewahrt und gespeichert, sobald der Server sie annimmt.</translation>
    </message>
    <message>
        <source>the default host</source>
        <translation>der Standardrechner</translation>
    </message>
    <message>
        <source>socket directory %1</source>
        <translation>Socket-Verzeichnis %1</translation>
    </message>
    <message>
        <source>Cannot create %1</source>
        <translation>%1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>The SQLite driver (Qt SQL plugin %1) cannot be loaded.</source>
        <translation>Der SQLite-Treiber (Qt-SQL-Plugin %1) kann nicht geladen werden.</translation>
    </message>
    <message>
        <source>Alias %1 in %2 has no parameters.</source>
        <translation>Alias %1 in %2 hat keine Parameter.</translation>
    </message>
    <message>
        <source>.
End the other program, or give this one a directory of its own. Until the other program ends, this program&apos;s readings are kept, not stored.</source>
        <translation>.
Beenden Sie das andere Programm oder geben Sie diesem ein eigenes Verzeichnis. Bis das andere Programm endet, werden die Messwerte dieses Programms aufbewahrt, nicht gespeichert.</translation>
    </message>
    <message>
        <source>Cannot store a reading in %1</source>
        <translation>Ein Messwert kann nicht in %1 gespeichert werden</translation>
    </message>
    <message>
        <source>Table %1 has no row number left after %2</source>
        <translation>Tabelle %1 hat nach %2 keine Zeilennummer mehr frei</translation>
    </message>
    <message>
        <source>Cannot count the rows of %1</source>
        <translation>Die Zeilen von %1 können nicht gezählt werden</translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation>%1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Cannot delete readings from %1</source>
        <translation>Messwerte in %1 können nicht gelöscht werden</translation>
    </message>
    <message>
        <source>Cannot create table %1 in %2</source>
        <translation>Tabelle %1 kann in %2 nicht angelegt werden</translation>
    </message>
    <message>
        <source>Table %1 does not exist in %2</source>
        <translation>Tabelle %1 gibt es in %2 nicht</translation>
    </message>
    <message>
        <source>Another program is already storing its readings in schema %1 of %2: two benches must not log into one schema</source>
        <translation>Ein anderes Programm speichert seine Messwerte bereits im Schema %1 von %2: Zwei Prüfplätze dürfen nicht in ein Schema schreiben</translation>
    </message>
    <message>
        <source>The PostgreSQL driver (Qt SQL plugin %1) cannot be loaded</source>
        <translation>Der PostgreSQL-Treiber (Qt-SQL-Plugin %1) kann nicht geladen werden</translation>
    </message>
    <message>
        <source>Cannot connect to %1: no time is left before the end of the program</source>
        <translation>Keine Verbindung zu %1: Bis zum Ende des Programms bleibt keine Zeit mehr</translation>
    </message>
    <message>
        <source>Cannot connect to %1: %2</source>
        <translation>Keine Verbindung zu %1: %2</translation>
    </message>
    <message>
        <source>Cannot look for %1</source>
        <translation>Nach %1 kann nicht gesucht werden</translation>
    </message>
    <message>
        <source>Cannot list the tables of %1</source>
        <translation>Die Tabellen von %1 können nicht aufgelistet werden</translation>
    </message>
    <message>
        <source>The connection to %1 was lost (%2)</source>
        <translation>Die Verbindung zu %1 ist abgebrochen (%2)</translation>
    </message>
    <message>
        <source>The tables of %1 are locked by another user (%2)</source>
        <translation>Die Tabellen von %1 sind von einem anderen Benutzer gesperrt (%2)</translation>
    </message>
    <message>
        <source>The server holding %1 took too long (%2)</source>
        <translation>Der Server mit %1 hat zu lange gebraucht (%2)</translation>
    </message>
    <message>
        <source>The server holding %1 has no room left (%2)</source>
        <translation>Der Server mit %1 hat keinen Platz mehr (%2)</translation>
    </message>
    <message>
        <source>Cannot claim %1</source>
        <translation>%1 kann nicht belegt werden</translation>
    </message>
    <message>
        <source>the table file %1</source>
        <translation>die Tabellendatei %1</translation>
    </message>
    <message>
        <source>Another program is already storing its readings in %1: two programs must not log into one table file</source>
        <translation>Ein anderes Programm speichert seine Messwerte bereits in %1: Zwei Programme dürfen nicht in eine Tabellendatei schreiben</translation>
    </message>
    <message>
        <source>The directory %1 of the reading table does not exist</source>
        <translation>Das Verzeichnis %1 der Messwerttabelle gibt es nicht</translation>
    </message>
    <message>
        <source>The table file %1 cannot be opened (%2)</source>
        <translation>Die Tabellendatei %1 kann nicht geöffnet werden (%2)</translation>
    </message>
    <message>
        <source>not a file</source>
        <translation>keine Datei</translation>
    </message>
    <message>
        <source>The table file %1 is not a database</source>
        <translation>Die Tabellendatei %1 ist keine Datenbank</translation>
    </message>
    <message>
        <source>The SQLite driver (Qt SQL plugin %1) cannot be loaded</source>
        <translation>Der SQLite-Treiber (Qt-SQL-Plugin %1) kann nicht geladen werden</translation>
    </message>
    <message>
        <source>Cannot open %1</source>
        <translation>%1 kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>The table file %1 is damaged or is not a database (%2)</source>
        <translation>Die Tabellendatei %1 ist beschädigt oder keine Datenbank (%2)</translation>
    </message>
    <message>
        <source>The table file %1 is locked by another user (%2)</source>
        <translation>Die Tabellendatei %1 ist von einem anderen Benutzer gesperrt (%2)</translation>
    </message>
    <message>
        <source>The disk holding the table file %1 is full (%2)</source>
        <translation>Der Datenträger mit der Tabellendatei %1 ist voll (%2)</translation>
    </message>
</context>
<context>
    <name>RunChart</name>
    <message>
        <source>Vol-Run chart</source>
        <translation>Spannung</translation>
    </message>
    <message>
        <source>Cur-Run Chart</source>
        <translation>Strom</translation>
    </message>
    <message>
        <source>Pow-Run Chart</source>
        <translation>Leistung</translation>
    </message>
</context>
<context>
    <name>SerialDevice</name>
    <message>
        <source>Manufacturer: %1</source>
        <translation>Hersteller: %1</translation>
    </message>
    <message>
        <source>Serial number: %1</source>
        <translation>Seriennummer: %1</translation>
    </message>
    <message>
        <source>Device: %1</source>
        <translation>Gerät: %1</translation>
    </message>
</context>
<context>
    <name>SpreadsheetExport</name>
    <message>
        <source>Exporting records...</source>
        <translation>Datensätze werden exportiert...</translation>
    </message>
    <message>
        <source>no Install Excel!</source>
        <translation>Keine Tabellenkalkulation installiert.</translation>
    </message>
    <message>
        <source>On Linux, the export needs LibreOffice Calc: install the package libreoffice-calc (sudo apt install libreoffice-calc). The error output tells what failed.</source>
        <translation>Unter Linux braucht der Export LibreOffice Calc: Installieren Sie das Paket libreoffice-calc (sudo apt install libreoffice-calc). Die Fehlerausgabe sagt, was fehlschlug.</translation>
    </message>
</context>
<context>
    <name>tarvex::AboutDialog</name>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Tarvex Value-Chart</source>
        <translation>Tarvex Messwertkurven</translation>
    </message>
    <message>
        <source>Tarvex logo</source>
        <translation>Tarvex-Logo</translation>
    </message>
    <message>
        <source>TarvexVol Code:2.0</source>
        <translation>TarvexVol Version 2.0</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>tarvex::BandReport</name>
    <message>
        <source>Cannot print the report</source>
        <translation>Der Bericht kann nicht gedruckt werden</translation>
    </message>
    <message>
        <source>Cannot print the report to %1</source>
        <translation>Der Bericht kann nicht nach %1 gedruckt werden</translation>
    </message>
    <message>
        <source>Printing...</source>
        <translation>Drucken...</translation>
    </message>
    <message>
        <source>Cannot start a new page of the report</source>
        <translation>Eine neue Seite des Berichts kann nicht begonnen werden</translation>
    </message>
    <message>
        <source>Cannot finish printing the report</source>
        <translation>Der Druck des Berichts kann nicht abgeschlossen werden</translation>
    </message>
</context>
<context>
    <name>tarvex::ChartPanel</name>
    <message>
        <source>%1 (zoomed)</source>
        <translation>%1 (vergrößert)</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Bild kopieren</translation>
    </message>
    <message>
        <source>Copy picture at 2×</source>
        <translation>Bild in doppelter Größe kopieren</translation>
    </message>
    <message>
        <source>Save picture as PNG…</source>
        <translation>Bild als PNG speichern…</translation>
    </message>
    <message>
        <source>Save picture at 2× as PNG…</source>
        <translation>Bild in doppelter Größe als PNG speichern…</translation>
    </message>
    <message>
        <source>Show all</source>
        <translation>Alles zeigen</translation>
    </message>
    <message>
        <source>Save picture at 2× as PNG</source>
        <translation>Bild in doppelter Größe als PNG speichern</translation>
    </message>
    <message>
        <source>Save picture as PNG</source>
        <translation>Bild als PNG speichern</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG-Bilder (*.png)</translation>
    </message>
    <message>
        <source>The picture could not be saved in %1: %2</source>
        <translation>Das Bild konnte nicht in %1 gespeichert werden: %2</translation>
    </message>
</context>
<context>
    <name>tarvex::ControlWindow</name>
    <message>
        <source>On Linux, serial ports belong to the group &quot;dialout&quot;: add your user to it (sudo usermod -aG dialout &quot;$USER&quot;), then log out and in again.</source>
        <translation>Unter Linux gehören serielle Anschlüsse der Gruppe „dialout“: Fügen Sie Ihren Benutzer hinzu (sudo usermod -aG dialout &quot;$USER&quot;), melden Sie sich dann ab und wieder an.</translation>
    </message>
    <message>
        <source>Another program holds the port (a terminal program, or another copy of this one).</source>
        <translation>Ein anderes Programm belegt den Anschluss (ein Terminalprogramm oder eine weitere Kopie dieses Programms).</translation>
    </message>
    <message>
        <source>TarvexForm</source>
        <translation>Tarvex</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Query</source>
        <translation>Abfrage</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Voltage</source>
        <translation>Spannung</translation>
    </message>
    <message>
        <source>Current</source>
        <translation>Strom</translation>
    </message>
    <message>
        <source>Power</source>
        <translation>Leistung</translation>
    </message>
    <message>
        <source>Minimum Voltage:</source>
        <translation>Mindestspannung:</translation>
    </message>
    <message>
        <source>PC Control</source>
        <translation>PC-Steuerung</translation>
    </message>
    <message>
        <source>Self Control</source>
        <translation>Bedienfeld</translation>
    </message>
    <message>
        <source>Load ON</source>
        <translation>Last EIN</translation>
    </message>
    <message>
        <source>Load OFF</source>
        <translation>Last AUS</translation>
    </message>
    <message>
        <source>打开串口%1失败</source>
        <translation>Der serielle Anschluss %1 konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baudrate: </translation>
    </message>
    <message>
        <source>The Minnum Voltag is Protect!</source>
        <translation>Mindestspannung erreicht: Die Last wurde abgeschaltet.</translation>
    </message>
    <message>
        <source>No reading: load switched off</source>
        <translation>Kein Messwert: Last abgeschaltet</translation>
    </message>
    <message>
        <source>The load on %1 gave no reading for %2 s. It was switched off: the minimum-voltage stop cannot work without readings.</source>
        <translation>Die Last an %1 hat %2 s lang keinen Messwert geliefert. Sie wurde abgeschaltet: Ohne Messwerte kann die Mindestspannungsabschaltung nicht arbeiten.</translation>
    </message>
    <message>
        <source>LOAD STILL ON: switch it off</source>
        <translation>LAST NOCH EIN: bitte abschalten</translation>
    </message>
    <message>
        <source>THE LOAD ON %1 IS STILL ON. It draws %2 A after three load-off requests. Switch it off at the load itself now.</source>
        <translation>DIE LAST AN %1 IST NOCH EINGESCHALTET. Sie zieht nach drei Abschaltbefehlen noch %2 A. Schalten Sie sie jetzt an der Last selbst ab.</translation>
    </message>
    <message>
        <source>Load on %1 switched off before changing its line settings</source>
        <translation>Last an %1 vor dem Ändern der Leitungseinstellungen abgeschaltet</translation>
    </message>
    <message>
        <source>Load on %1 switched off before changing to %2</source>
        <translation>Last an %1 vor dem Wechsel zu %2 abgeschaltet</translation>
    </message>
    <message>
        <source>Load on %1 may still be on</source>
        <translation>Last an %1 ist womöglich noch eingeschaltet</translation>
    </message>
    <message>
        <source>The load is on, but no guard process could be started (%1): should the program end unexpectedly, nothing would switch the load off. Watch it, or switch it off and try again.</source>
        <translation>Die Last ist eingeschaltet, aber kein Wächterprozess konnte gestartet werden (%1): Endet das Programm unerwartet, schaltet nichts die Last ab. Beobachten Sie sie, oder schalten Sie sie ab und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Link lost</source>
        <translation>Verbindung verloren</translation>
    </message>
    <message>
        <source>The connection to the load on %1 was lost. Readings and the minimum-voltage stop are paused until it is back; the program opens the port again by itself every second. Check the cable.</source>
        <translation>Die Verbindung zur Last an %1 ist verloren. Messwerte und Mindestspannungsabschaltung ruhen, bis sie wieder besteht; das Programm öffnet den Anschluss jede Sekunde von selbst neu. Prüfen Sie das Kabel.</translation>
    </message>
    <message>
        <source>Link back</source>
        <translation>Verbindung wieder da</translation>
    </message>
    <message>
        <source>No answer from the load</source>
        <translation>Keine Antwort von der Last</translation>
    </message>
    <message>
        <source>Readings wait to be stored</source>
        <translation>Messwerte warten auf das Speichern</translation>
    </message>
    <message>
        <source>Readings cannot be stored now: %1
They are kept and written to the table as soon as it takes them again.</source>
        <translation>Messwerte können jetzt nicht gespeichert werden: %1
Sie werden aufbewahrt und in die Tabelle geschrieben, sobald diese sie wieder annimmt.</translation>
    </message>
    <message>
        <source>Readings waiting to be stored: %1</source>
        <translation>Messwerte, die auf das Speichern warten: %1</translation>
    </message>
    <message>
        <source>All %1 waiting readings stored</source>
        <translation>Alle %1 wartenden Messwerte gespeichert</translation>
    </message>
    <message>
        <source>More than %1 readings (an hour of polling) are waiting to be stored. The oldest are dropped from now on; the newest are kept.</source>
        <translation>Mehr als %1 Messwerte (eine Stunde Abfrage) warten auf das Speichern. Ab jetzt werden die ältesten verworfen; die neuesten bleiben erhalten.</translation>
    </message>
</context>
<context>
    <name>tarvex::ElapsedClock</name>
    <message>
        <source>Elapsed time</source>
        <translation>Verstrichene Zeit</translation>
    </message>
</context>
<context>
    <name>tarvex::LoadRun</name>
    <message>
        <source>The load on %1 may still be on: the requests that switch it off could not reach it (the connection to it is lost). Switch it off at the load.</source>
        <translation>Die Last an %1 ist womöglich noch eingeschaltet: Die Befehle zum Abschalten konnten sie nicht erreichen (die Verbindung zu ihr ist verloren). Schalten Sie sie an der Last ab.</translation>
    </message>
</context>
<context>
    <name>tarvex::OverlayChart</name>
    <message>
        <source> Ah</source>
        <translation> Ah</translation>
    </message>
    <message>
        <source>Voltage / V</source>
        <translation>Spannung / V</translation>
    </message>
    <message>
        <source>Charge drawn / Ah</source>
        <translation>Entnommene Ladung / Ah</translation>
    </message>
    <message>
        <source>Elapsed time / %1</source>
        <translation>Verstrichene Zeit / %1</translation>
    </message>
</context>
<context>
    <name>tarvex::PortSettingsDialog</name>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>„%1“ ist keine gültige ganze Zahl</translation>
    </message>
    <message>
        <source>Com Setting</source>
        <translation>Anschlusseinstellungen</translation>
    </message>
    <message>
        <source>Com Options</source>
        <translation>Anschlussoptionen</translation>
    </message>
    <message>
        <source>Comm Port</source>
        <translation>Anschluss</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>Baudrate</translation>
    </message>
    <message>
        <source>Data Bits</source>
        <translation>Datenbits</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>Parität</translation>
    </message>
    <message>
        <source>Stop Bits</source>
        <translation>Stoppbits</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>Intervall</translation>
    </message>
    <message>
        <source>Send-frequency</source>
        <translation>Abfrageintervall</translation>
    </message>
    <message>
        <source>(ms)</source>
        <translation>(ms)</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>tarvex::QueryWindow</name>
    <message>
        <source>Query</source>
        <translation>Abfrage</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Bericht</translation>
    </message>
    <message>
        <source>Excel</source>
        <translation>Tabelle</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Leeren</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Save as CSV…</source>
        <translation>Als CSV speichern…</translation>
    </message>
    <message>
        <source>Clear All Record,Yes or No?</source>
        <translation>Alle Datensätze löschen?</translation>
    </message>
    <message>
        <source>Failed to Clear Data from Table!</source>
        <translation>Die Datensätze konnten nicht aus der Tabelle gelöscht werden.</translation>
    </message>
    <message>
        <source>Clearing records...</source>
        <translation>Datensätze werden gelöscht...</translation>
    </message>
    <message>
        <source>Save as CSV</source>
        <translation>Als CSV speichern</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV-Dateien (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>The CSV file %1 could not be written: %2</source>
        <translation>Die CSV-Datei %1 konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Saving records...</source>
        <translation>Datensätze werden gespeichert...</translation>
    </message>
</context>
<context>
    <name>tarvex::ReadingRecorder</name>
    <message>
        <source>the reading table was not set up at the start of the program</source>
        <translation>die Messwerttabelle wurde beim Start des Programms nicht eingerichtet</translation>
    </message>
    <message>
        <source>Unknown failure</source>
        <translation>Unbekannter Fehler</translation>
    </message>
    <message>
        <source>
They cannot be kept on the disk meanwhile (%1): they are lost if the program ends before they are stored.</source>
        <translation>
Sie können in der Zwischenzeit nicht auf dem Datenträger aufbewahrt werden (%1): Endet das Programm, bevor sie gespeichert sind, gehen sie verloren.</translation>
    </message>
</context>
<context>
    <name>tarvex::ReadingReport</name>
    <message>
        <source>TARVEX REPORT</source>
        <translation>TARVEX-BERICHT</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>VolVal</source>
        <translation>Spannung</translation>
    </message>
    <message>
        <source>CurVal</source>
        <translation>Strom</translation>
    </message>
    <message>
        <source>PowVal</source>
        <translation>Leistung</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
</context>
<context>
    <name>tarvex::SevenSegmentReadout</name>
    <message>
        <source>Out of range</source>
        <translation>Außerhalb des Bereichs</translation>
    </message>
</context>
</TS>
