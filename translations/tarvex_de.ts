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
    <name>BatteryDataFile</name>
    <message>
        <source>The file %1 could not be written: %2</source>
        <translation>Die Datei %1 konnte nicht geschrieben werden: %2</translation>
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
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unerwartetes Argument „%1“.</translation>
    </message>
    <message>
        <source>--silence-limit needs a number of seconds from 0 to 86400, not &apos;%1&apos;.</source>
        <translation>--silence-limit braucht eine Zahl von Sekunden von 0 bis 86400, nicht „%1“.</translation>
    </message>
    <message>
        <source>Exit status:
  0    the minimum voltage was reached
  1    the port could not be opened or the reading table could not be used
  2    wrong usage
  3    a limit (--max-time, --max-ah, --max-wh) was reached
  4    the load stopped answering: it was switched off (the silence limit)
  5    the link was lost and did not come back within the silence limit
  130  interrupted by SIGINT, 143 by SIGTERM (129 SIGHUP), after the load was
       switched off and handed back to its front panel
</source>
        <translation>Exit-Status:
  0    die Mindestspannung wurde erreicht
  1    der Anschluss konnte nicht geöffnet oder die Messwerttabelle nicht benutzt werden
  2    falscher Aufruf
  3    ein Grenzwert (--max-time, --max-ah, --max-wh) wurde erreicht
  4    die Last antwortete nicht mehr: sie wurde abgeschaltet (Schweigegrenze)
  5    die Verbindung ging verloren und kam nicht innerhalb der Schweigegrenze zurück
  130  durch SIGINT unterbrochen, 143 durch SIGTERM (129 SIGHUP), nachdem die Last
       abgeschaltet und an ihr Bedienfeld zurückgegeben wurde
</translation>
    </message>
    <message>
        <source>%1: %2
Try &apos;%1 %3--help&apos;.
</source>
        <translation>%1: %2
Siehe „%1 %3--help“.
</translation>
    </message>
    <message>
        <source>The load&apos;s serial port (a device, a link to one, or Com1 to Com4). Required.</source>
        <translation>Der serielle Anschluss der Last (ein Gerät, ein Link darauf oder Com1 bis Com4). Pflichtangabe.</translation>
    </message>
    <message>
        <source>The minimum voltage: the run stops at the first reading at or below VOLTS. Required.</source>
        <translation>Die Mindestspannung: Der Lauf endet beim ersten Messwert bei oder unter VOLTS. Pflichtangabe.</translation>
    </message>
    <message>
        <source>Polls the load every MS milliseconds (default 200; at least 220 at 4800 bit/s, 150 at 9600, 120 at 19200, 100 at 38400).</source>
        <translation>Fragt die Last alle MS Millisekunden ab (Vorgabe 200; mindestens 220 bei 4800 bit/s, 150 bei 9600, 120 bei 19200, 100 bei 38400).</translation>
    </message>
    <message>
        <source>The line&apos;s speed in bit/s (default 9600), 8 data bits, no parity, one stop bit.</source>
        <translation>Die Geschwindigkeit der Leitung in bit/s (Vorgabe 9600), 8 Datenbits, keine Parität, ein Stoppbit.</translation>
    </message>
    <message>
        <source>Stops the run after DURATION since Load ON: seconds (3600), with units (90s, 45m, 20h, 1h30m) or H:MM:SS.</source>
        <translation>Beendet den Lauf DURATION nach „Last EIN“: Sekunden (3600), mit Einheiten (90s, 45m, 20h, 1h30m) oder H:MM:SS.</translation>
    </message>
    <message>
        <source>Stops the run once AH ampere-hours are drawn.</source>
        <translation>Beendet den Lauf, sobald AH Amperestunden entnommen sind.</translation>
    </message>
    <message>
        <source>Stops the run once WH watt-hours are drawn.</source>
        <translation>Beendet den Lauf, sobald WH Wattstunden entnommen sind.</translation>
    </message>
    <message>
        <source>Names the cell under test in the stored run.</source>
        <translation>Benennt die geprüfte Zelle im gespeicherten Lauf.</translation>
    </message>
    <message>
        <source>Switches the load off when it has given no reading for SECONDS (default %1; 0: never), and ends the run when a lost link is not back within SECONDS.</source>
        <translation>Schaltet die Last ab, wenn sie SECONDS Sekunden lang keinen Messwert geliefert hat (Vorgabe %1; 0: nie), und beendet den Lauf, wenn eine verlorene Verbindung nicht innerhalb von SECONDS Sekunden zurück ist.</translation>
    </message>
    <message>
        <source>Writes the run&apos;s readings to FILE as CSV after the run.</source>
        <translation>Schreibt die Messwerte des Laufs nach dem Lauf als CSV in FILE.</translation>
    </message>
    <message>
        <source>Writes the run as a Battery Data Format file FILE (name.bdf.csv, with name.bdf.metadata.json beside it) after the run.</source>
        <translation>Schreibt den Lauf nach dem Lauf als Battery-Data-Format-Datei FILE (name.bdf.csv, daneben name.bdf.metadata.json).</translation>
    </message>
    <message>
        <source>Writes one JSON object per reading and a summary object to the standard output (messages go to the error output).</source>
        <translation>Schreibt je Messwert ein JSON-Objekt und ein Zusammenfassungsobjekt auf die Standardausgabe (Meldungen gehen auf die Fehlerausgabe).</translation>
    </message>
    <message>
        <source>Leaves out the status line (and the reading objects of --json).</source>
        <translation>Lässt die Statuszeile weg (und die Messwertobjekte von --json).</translation>
    </message>
    <message>
        <source>Usage: %1 run --port PATH --minimum VOLTS [options]
One discharge without a window: the load is handed to the computer, switched on, polled and
stored until the first stop, then switched off and handed back to its front panel.</source>
        <translation>Aufruf: %1 run --port PATH --minimum VOLTS [Optionen]
Eine Entladung ohne Fenster: Die Last wird an den Computer übergeben, eingeschaltet, abgefragt und
bis zum ersten Halt gespeichert, dann abgeschaltet und an ihr Bedienfeld zurückgegeben.</translation>
    </message>
    <message>
        <source>run needs --port PATH.</source>
        <translation>run braucht --port PATH.</translation>
    </message>
    <message>
        <source>run needs --minimum VOLTS.</source>
        <translation>run braucht --minimum VOLTS.</translation>
    </message>
    <message>
        <source>--minimum needs a voltage above 0, not &apos;%1&apos;.</source>
        <translation>--minimum braucht eine Spannung über 0, nicht „%1“.</translation>
    </message>
    <message>
        <source>--baud needs a line speed in bit/s, not &apos;%1&apos;.</source>
        <translation>--baud braucht eine Leitungsgeschwindigkeit in bit/s, nicht „%1“.</translation>
    </message>
    <message>
        <source>--interval needs a number of milliseconds, not &apos;%1&apos;.</source>
        <translation>--interval braucht eine Zahl von Millisekunden, nicht „%1“.</translation>
    </message>
    <message>
        <source>--max-time needs a duration such as 3600, 90m, 20h, 1h30m or 2:00:00, not &apos;%1&apos;.</source>
        <translation>--max-time braucht eine Dauer wie 3600, 90m, 20h, 1h30m oder 2:00:00, nicht „%1“.</translation>
    </message>
    <message>
        <source>--max-ah needs a charge above 0, not &apos;%1&apos;.</source>
        <translation>--max-ah braucht eine Ladung über 0, nicht „%1“.</translation>
    </message>
    <message>
        <source>--max-wh needs an energy above 0, not &apos;%1&apos;.</source>
        <translation>--max-wh braucht eine Energie über 0, nicht „%1“.</translation>
    </message>
    <message>
        <source>Writes the runs as JSON, one object a line.</source>
        <translation>Schreibt die Läufe als JSON, ein Objekt je Zeile.</translation>
    </message>
    <message>
        <source>Usage: %1 runs [--json]
Lists the stored runs with their figures, oldest first.</source>
        <translation>Aufruf: %1 runs [--json]
Listet die gespeicherten Läufe mit ihren Kennzahlen auf, den ältesten zuerst.</translation>
    </message>
    <message>
        <source>The stored run to write (its number, as `runs` lists it). Required.</source>
        <translation>Der zu schreibende gespeicherte Lauf (seine Nummer, wie `runs` sie auflistet). Pflichtangabe.</translation>
    </message>
    <message>
        <source>Writes the run&apos;s readings to FILE as CSV.</source>
        <translation>Schreibt die Messwerte des Laufs als CSV in FILE.</translation>
    </message>
    <message>
        <source>Writes the run as a Battery Data Format file FILE (name.bdf.csv, with name.bdf.metadata.json beside it).</source>
        <translation>Schreibt den Lauf als Battery-Data-Format-Datei FILE (name.bdf.csv, daneben name.bdf.metadata.json).</translation>
    </message>
    <message>
        <source>Usage: %1 export --run N (--csv FILE | --bdf FILE)
Writes one stored run as a file. Exit status 0 when written, 1 when the run or the
file failed, 2 on wrong usage.</source>
        <translation>Aufruf: %1 export --run N (--csv FILE | --bdf FILE)
Schreibt einen gespeicherten Lauf als Datei. Exit-Status 0, wenn geschrieben, 1, wenn der Lauf oder
die Datei scheiterte, 2 bei falschem Aufruf.</translation>
    </message>
    <message>
        <source>export needs --run N, the number of a stored run.</source>
        <translation>export braucht --run N, die Nummer eines gespeicherten Laufs.</translation>
    </message>
    <message>
        <source>export needs --csv FILE or --bdf FILE.</source>
        <translation>export braucht --csv FILE oder --bdf FILE.</translation>
    </message>
    <message>
        <source>Usage: %1 [options]
       %1 run --port PATH --minimum VOLTS [options]
       %1 runs [--json]
       %1 export --run N (--csv FILE | --bdf FILE)</source>
        <translation>Aufruf: %1 [Optionen]
        %1 run --port PATH --minimum VOLTS [Optionen]
        %1 runs [--json]
        %1 export --run N (--csv FILE | --bdf FILE)</translation>
    </message>
    <message>
        <source>
Commands (no display needed; &apos;%1 COMMAND --help&apos; tells their options):
  run     one discharge without a window, for scripts and automated rigs
  runs    lists the stored runs with their figures
  export  writes one stored run as CSV or Battery Data Format
</source>
        <translation>
Befehle (ohne Bildschirm nutzbar; „%1 COMMAND --help“ nennt ihre Optionen):
  run     eine Entladung ohne Fenster, für Skripte und automatische Prüfstände
  runs    listet die gespeicherten Läufe mit ihren Kennzahlen auf
  export  schreibt einen gespeicherten Lauf als CSV oder Battery Data Format
</translation>
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
        <translation>dem Standardrechner</translation>
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
    <message>
        <source>, schema </source>
        <translation>, Schema </translation>
    </message>
    <message>
        <source>alias %1</source>
        <translation>Alias %1</translation>
    </message>
    <message>
        <source>host %1</source>
        <translation>Rechner %1</translation>
    </message>
    <message>
        <source>database %1 on %2, port %3</source>
        <translation>Datenbank %1 auf %2, Port %3</translation>
    </message>
    <message>
        <source>(the default)</source>
        <translation>(Vorgabe)</translation>
    </message>
    <message>
        <source>Cannot start a run in %1</source>
        <translation>In %1 kann kein Lauf begonnen werden</translation>
    </message>
    <message>
        <source>%1: no run number</source>
        <translation>%1: keine Laufnummer</translation>
    </message>
    <message>
        <source>Cannot end run %1 in %2</source>
        <translation>Lauf %1 kann in %2 nicht beendet werden</translation>
    </message>
    <message>
        <source>Cannot read the runs of %1</source>
        <translation>Die Läufe von %1 können nicht gelesen werden</translation>
    </message>
    <message>
        <source>Cannot read run %1 of %2</source>
        <translation>Lauf %1 von %2 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Cannot read the readings of run %1 of %2</source>
        <translation>Die Messwerte von Lauf %1 von %2 können nicht gelesen werden</translation>
    </message>
    <message>
        <source>Cannot end the runs left open in %1</source>
        <translation>Die in %1 offen gebliebenen Läufe können nicht beendet werden</translation>
    </message>
    <message>
        <source>Cannot create the table of runs in %1</source>
        <translation>Die Tabelle der Läufe kann in %1 nicht angelegt werden</translation>
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
    <name>RunFiles</name>
    <message>
        <source>Save as BDF</source>
        <translation>Als BDF speichern</translation>
    </message>
    <message>
        <source>Battery Data Format files (*.bdf.csv);;All files (*)</source>
        <translation>Battery-Data-Format-Dateien (*.bdf.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Saving run %1...</source>
        <translation>Lauf %1 wird gespeichert...</translation>
    </message>
    <message>
        <source>Run %1 was not saved as BDF: %2</source>
        <translation>Lauf %1 wurde nicht als BDF gespeichert: %2</translation>
    </message>
</context>
<context>
    <name>RunOutput</name>
    <message>
        <source>time %1</source>
        <translation>Zeit %1</translation>
    </message>
    <message>
        <source>charge %1 Ah</source>
        <translation>Ladung %1 Ah</translation>
    </message>
    <message>
        <source>energy %1 Wh</source>
        <translation>Energie %1 Wh</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1  %2 V  %3 A  %4 W  %5 Ah  %6 Wh  %7 readings  limits: %8</source>
        <translation>%1  %2 V  %3 A  %4 W  %5 Ah  %6 Wh  %7 Messwerte  Grenzwerte: %8</translation>
    </message>
    <message>
        <source>Run ended: %1 (exit status %2)
</source>
        <translation>Lauf beendet: %1 (Exit-Status %2)
</translation>
    </message>
    <message>
        <source>Run %1%2 stored
</source>
        <translation>Lauf %1%2 gespeichert
</translation>
    </message>
    <message>
        <source>Duration %1, %2 readings, %3 Ah, %4 Wh
</source>
        <translation>Dauer %1, %2 Messwerte, %3 Ah, %4 Wh
</translation>
    </message>
    <message>
        <source>Voltage: start %1 V, end %2 V, lowest %3 V (minimum %4 V)
</source>
        <translation>Spannung: Anfang %1 V, Ende %2 V, niedrigste %3 V (Mindestspannung %4 V)
</translation>
    </message>
    <message>
        <source>%1 readings could not be stored; they are kept for the next start of the program
</source>
        <translation>%1 Messwerte konnten nicht gespeichert werden; sie werden für den nächsten Start des Programms aufbewahrt
</translation>
    </message>
    <message>
        <source>THE LOAD ON %1 MAY STILL BE ON: switch it off at the load
</source>
        <translation>DIE LAST AN %1 IST WOMÖGLICH NOCH EINGESCHALTET: Schalten Sie sie an der Last ab
</translation>
    </message>
</context>
<context>
    <name>RunTexts</name>
    <message>
        <source>running</source>
        <translation>läuft</translation>
    </message>
    <message>
        <source>Load OFF</source>
        <translation>Last AUS</translation>
    </message>
    <message>
        <source>minimum voltage</source>
        <translation>Mindestspannung</translation>
    </message>
    <message>
        <source>time limit</source>
        <translation>Zeitgrenze</translation>
    </message>
    <message>
        <source>charge limit</source>
        <translation>Ladungsgrenze</translation>
    </message>
    <message>
        <source>energy limit</source>
        <translation>Energiegrenze</translation>
    </message>
    <message>
        <source>no answer from the load</source>
        <translation>keine Antwort der Last</translation>
    </message>
    <message>
        <source>link lost</source>
        <translation>Verbindung verloren</translation>
    </message>
    <message>
        <source>program closed</source>
        <translation>Programm beendet</translation>
    </message>
    <message>
        <source>port changed</source>
        <translation>Anschluss gewechselt</translation>
    </message>
    <message>
        <source>ended unexpectedly</source>
        <translation>unerwartet beendet</translation>
    </message>
    <message>
        <source> Ah</source>
        <translation> Ah</translation>
    </message>
    <message>
        <source> Wh</source>
        <translation> Wh</translation>
    </message>
    <message>
        <source> V</source>
        <translation> V</translation>
    </message>
    <message>
        <source>minimum </source>
        <translation>Mindestspannung </translation>
    </message>
    <message>
        <source>, time </source>
        <translation>, Zeit </translation>
    </message>
    <message>
        <source>, charge </source>
        <translation>, Ladung </translation>
    </message>
    <message>
        <source>, energy </source>
        <translation>, Energie </translation>
    </message>
    <message>
        <source> (cleared from the table)</source>
        <translation> (aus der Tabelle gelöscht)</translation>
    </message>
    <message>
        <source> (%1 without readings not counted)</source>
        <translation> (%1 ohne Messwerte nicht gezählt)</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Lauf</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Begonnen</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>Beendet</translation>
    </message>
    <message>
        <source>not ended</source>
        <translation>nicht beendet</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Charge</source>
        <translation>Ladung</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>Energie</translation>
    </message>
    <message>
        <source>Start voltage</source>
        <translation>Anfangsspannung</translation>
    </message>
    <message>
        <source>End voltage</source>
        <translation>Endspannung</translation>
    </message>
    <message>
        <source>Lowest voltage</source>
        <translation>Niedrigste Spannung</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>Grenzwerte</translation>
    </message>
    <message>
        <source>Ended by</source>
        <translation>Beendet durch</translation>
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
    <name>StoredRuns</name>
    <message>
        <source>the reading table cannot be used: %1</source>
        <translation>die Messwerttabelle kann nicht benutzt werden: %1</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Lauf</translation>
    </message>
    <message>
        <source>Started (UTC)</source>
        <translation>Begonnen (UTC)</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Ah</source>
        <translation>Ah</translation>
    </message>
    <message>
        <source>Wh</source>
        <translation>Wh</translation>
    </message>
    <message>
        <source>End V</source>
        <translation>End-V</translation>
    </message>
    <message>
        <source>Ended by</source>
        <translation>Beendet durch</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source> (cleared)</source>
        <translation> (gelöscht)</translation>
    </message>
    <message>
        <source>The readings of run %1 cannot be read: %2</source>
        <translation>Die Messwerte von Lauf %1 können nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The runs cannot be read: %1</source>
        <translation>Die Läufe können nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>There is no run %1 (`tarvex runs` lists them)</source>
        <translation>Es gibt keinen Lauf %1 (`tarvex runs` listet sie auf)</translation>
    </message>
    <message>
        <source>The readings of run %1 were cleared</source>
        <translation>Die Messwerte von Lauf %1 wurden gelöscht</translation>
    </message>
    <message>
        <source>Run %1 cannot be read: %2</source>
        <translation>Lauf %1 kann nicht gelesen werden: %2</translation>
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
    <name>tarvex::CompareWindow</name>
    <message>
        <source>run %1</source>
        <translation>Lauf %1</translation>
    </message>
    <message>
        <source>Compare runs</source>
        <translation>Läufe vergleichen</translation>
    </message>
    <message>
        <source>Against &amp;charge drawn (Ah)</source>
        <translation>Über der entnommenen &amp;Ladung (Ah)</translation>
    </message>
    <message>
        <source>Against charge drawn (Ah)</source>
        <translation>Über der entnommenen Ladung (Ah)</translation>
    </message>
    <message>
        <source>Against elapsed &amp;time</source>
        <translation>Über der vergangenen &amp;Zeit</translation>
    </message>
    <message>
        <source>Against elapsed time</source>
        <translation>Über der vergangenen Zeit</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>%1 of %2 runs shown: Compare shows %3 at most</source>
        <translation>%1 von %2 Läufen gezeigt: Der Vergleich zeigt höchstens %3</translation>
    </message>
    <message>
        <source>%1 runs</source>
        <translation>%1 Läufe</translation>
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
    <message>
        <source>Limits</source>
        <translation>Grenzwerte</translation>
    </message>
    <message>
        <source>Run ended at its %1</source>
        <translation>Lauf endete an seiner %1</translation>
    </message>
    <message>
        <source>The run reached its %1: the load was switched off.</source>
        <translation>Der Lauf hat seine %1 erreicht: Die Last wurde abgeschaltet.</translation>
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
    <name>tarvex::HeadlessRun</name>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>minimum voltage %1 V reached</source>
        <translation>Mindestspannung %1 V erreicht</translation>
    </message>
    <message>
        <source>the load on %1 gave no reading for %2; it was switched off</source>
        <translation>die Last an %1 hat %2 lang keinen Messwert geliefert; sie wurde abgeschaltet</translation>
    </message>
    <message>
        <source>time limit %1 reached</source>
        <translation>Zeitgrenze %1 erreicht</translation>
    </message>
    <message>
        <source>charge limit %1 Ah reached</source>
        <translation>Ladungsgrenze %1 Ah erreicht</translation>
    </message>
    <message>
        <source>energy limit %1 Wh reached</source>
        <translation>Energiegrenze %1 Wh erreicht</translation>
    </message>
    <message>
        <source>Load ON refused: %1</source>
        <translation>„Last EIN“ abgelehnt: %1</translation>
    </message>
    <message>
        <source>THE LOAD ON %1 IS STILL ON: it draws %2 A after %3 load-off requests. Switch it off at the load.</source>
        <translation>DIE LAST AN %1 IST NOCH EINGESCHALTET: Sie zieht nach %3 Abschaltbefehlen %2 A. Schalten Sie sie an der Last ab.</translation>
    </message>
    <message>
        <source>No guard process (%1): should this program die, nothing switches the load off.</source>
        <translation>Kein Wächterprozess (%1): Stirbt dieses Programm, schaltet nichts die Last ab.</translation>
    </message>
    <message>
        <source>Readings cannot be stored now: %1. They are kept and stored as soon as the table takes them.</source>
        <translation>Messwerte können jetzt nicht gespeichert werden: %1. Sie werden aufbewahrt und gespeichert, sobald die Tabelle sie annimmt.</translation>
    </message>
    <message>
        <source>All %1 waiting readings stored</source>
        <translation>Alle %1 wartenden Messwerte gespeichert</translation>
    </message>
    <message>
        <source>More than %1 readings wait to be stored: the oldest are dropped</source>
        <translation>Mehr als %1 Messwerte warten auf das Speichern: Die ältesten werden verworfen</translation>
    </message>
    <message>
        <source>the link to %1 was lost and did not come back within %2</source>
        <translation>die Verbindung zu %1 ging verloren und kam nicht innerhalb von %2 zurück</translation>
    </message>
    <message>
        <source>process %1 (%2)</source>
        <translation>Prozess %1 (%2)</translation>
    </message>
    <message>
        <source>the reading table cannot be used: %1</source>
        <translation>die Messwerttabelle kann nicht benutzt werden: %1</translation>
    </message>
    <message>
        <source>unknown reason</source>
        <translation>unbekannter Grund</translation>
    </message>
    <message>
        <source>it is in use by %1</source>
        <translation>er wird von %1 benutzt</translation>
    </message>
    <message>
        <source>another program</source>
        <translation>einem anderen Programm</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Link lost: %1 hung up; it is tried again every second</source>
        <translation>Verbindung verloren: %1 hat aufgelegt; sie wird jede Sekunde neu versucht</translation>
    </message>
    <message>
        <source>Link back: %1</source>
        <translation>Verbindung wieder da: %1</translation>
    </message>
    <message>
        <source>interrupted by %1</source>
        <translation>unterbrochen durch %1</translation>
    </message>
    <message>
        <source>signal %1</source>
        <translation>Signal %1</translation>
    </message>
    <message>
        <source>The stored run cannot be read: %1</source>
        <translation>Der gespeicherte Lauf kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The run is not stored: no file written</source>
        <translation>Der Lauf ist nicht gespeichert: keine Datei geschrieben</translation>
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
    <message>
        <source>All readings</source>
        <translation>Alle Messwerte</translation>
    </message>
    <message>
        <source>&amp;Run:</source>
        <translation>&amp;Lauf:</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Lauf</translation>
    </message>
    <message>
        <source>R&amp;uns…</source>
        <translation>L&amp;äufe…</translation>
    </message>
    <message>
        <source>Runs…</source>
        <translation>Läufe…</translation>
    </message>
    <message>
        <source>Save as BDF…</source>
        <translation>Als BDF speichern…</translation>
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
    <message>
        <source>RUN SUMMARY</source>
        <translation>ZUSAMMENFASSUNG DES LAUFS</translation>
    </message>
</context>
<context>
    <name>tarvex::RunLimitsDialog</name>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source> Ah</source>
        <translation> Ah</translation>
    </message>
    <message>
        <source> Wh</source>
        <translation> Wh</translation>
    </message>
    <message>
        <source>Limits: %1</source>
        <translation>Grenzwerte: %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>time limit (%1)</source>
        <translation>Zeitgrenze (%1)</translation>
    </message>
    <message>
        <source>charge limit (%1)</source>
        <translation>Ladungsgrenze (%1)</translation>
    </message>
    <message>
        <source>energy limit (%1)</source>
        <translation>Energiegrenze (%1)</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>Grenzwerte</translation>
    </message>
    <message>
        <source>Time limit</source>
        <translation>Zeitgrenze</translation>
    </message>
    <message>
        <source> h</source>
        <translation> h</translation>
    </message>
    <message>
        <source>Time limit hours</source>
        <translation>Zeitgrenze Stunden</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Time limit minutes</source>
        <translation>Zeitgrenze Minuten</translation>
    </message>
    <message>
        <source>Charge limit</source>
        <translation>Ladungsgrenze</translation>
    </message>
    <message>
        <source>Energy limit</source>
        <translation>Energiegrenze</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>&amp;Label</source>
        <translation>&amp;Bezeichnung</translation>
    </message>
</context>
<context>
    <name>tarvex::RunsModel</name>
    <message>
        <source> (cleared)</source>
        <translation> (gelöscht)</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Lauf</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>Beendet</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Bezeichnung</translation>
    </message>
    <message>
        <source>Ah</source>
        <translation>Ah</translation>
    </message>
    <message>
        <source>Start V</source>
        <translation>Anfangs-V</translation>
    </message>
    <message>
        <source>Lowest V</source>
        <translation>Niedrigste V</translation>
    </message>
    <message>
        <source>Ended by</source>
        <translation>Beendet durch</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Begonnen</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Wh</source>
        <translation>Wh</translation>
    </message>
    <message>
        <source>End V</source>
        <translation>End-V</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>Grenzwerte</translation>
    </message>
</context>
<context>
    <name>tarvex::RunsWindow</name>
    <message>
        <source>Runs</source>
        <translation>Läufe</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>&amp;Compare</source>
        <translation>&amp;Vergleichen</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Vergleichen</translation>
    </message>
    <message>
        <source>Save as &amp;BDF…</source>
        <translation>Als &amp;BDF speichern…</translation>
    </message>
    <message>
        <source>Save as BDF…</source>
        <translation>Als BDF speichern…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Compare shows %1 runs at most: the first %1 of the %2 selected are shown.</source>
        <translation>Der Vergleich zeigt höchstens %1 Läufe: Die ersten %1 der %2 gewählten werden gezeigt.</translation>
    </message>
    <message>
        <source>Reading the runs...</source>
        <translation>Die Läufe werden gelesen...</translation>
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
