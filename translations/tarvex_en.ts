<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Application</name>
    <message>
        <source>Unknown exception</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>BatteryDataFile</name>
    <message>
        <source>The file %1 could not be written: %2</source>
        <translation>The file %1 could not be written: %2</translation>
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
        <translation>+%1 d</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Discharge tests with a programmable DC electronic load.</source>
        <translation>Discharge tests with a programmable DC electronic load.</translation>
    </message>
    <message>
        <source>Displays this help.</source>
        <translation>Displays this help.</translation>
    </message>
    <message>
        <source>Displays version information.</source>
        <translation>Displays version information.</translation>
    </message>
    <message>
        <source>Puts PATH in &quot;Comm Port&quot; of the port settings at start (a serial device, a link to one, or Com1 to Com4); Setting and OK open it.</source>
        <translation>Puts PATH in &quot;Port&quot; of the port settings at start (a serial device, a link to one, or Com1 to Com4); Settings and OK open it.</translation>
    </message>
    <message>
        <source>While the load is on, switches it off when it has given no reading for SECONDS (default %1; 0: never): the minimum-voltage stop cannot work without readings.</source>
        <translation>While the load is on, switches it off when it has given no reading for SECONDS (default %1; 0: never): the minimum-voltage stop cannot work without readings.</translation>
    </message>
    <message>
        <source>Writes the serial link&apos;s trace to FILE, each line with its time: opens, closes, hang-ups and errors, and every frame sent and chunk received in hex. For finding out what goes wrong on a link.</source>
        <translation>Writes the serial link&apos;s trace to FILE, each line with its time: opens, closes, hang-ups and errors, and every frame sent and chunk received in hex. For finding out what goes wrong on a link.</translation>
    </message>
    <message>
        <source>Shows the program&apos;s texts in the language CODE (de, en, zh_CN, ...) instead of the system&apos;s; &quot;source&quot; shows them as written in the program.</source>
        <translation>Shows the program&apos;s texts in the language CODE (de, en, zh_CN, ...) instead of the system&apos;s; &quot;source&quot; shows them as written in the program.</translation>
    </message>
    <message>
        <source>%1: %2
Try &apos;%1 --help&apos;.
</source>
        <translation>%1: %2
Try &apos;%1 --help&apos;.
</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unexpected argument &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>--silence-limit needs a number of seconds from 0 to 86400, not &apos;%1&apos;.</source>
        <translation>--silence-limit needs a number of seconds from 0 to 86400, not &apos;%1&apos;.</translation>
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
        <translation>Exit status:
  0    the minimum voltage was reached
  1    the port could not be opened or the reading table could not be used
  2    wrong usage
  3    a limit (--max-time, --max-ah, --max-wh) was reached
  4    the load stopped answering: it was switched off (the silence limit)
  5    the link was lost and did not come back within the silence limit
  130  interrupted by SIGINT, 143 by SIGTERM (129 SIGHUP), after the load was
       switched off and handed back to its front panel
</translation>
    </message>
    <message>
        <source>%1: %2
Try &apos;%1 %3--help&apos;.
</source>
        <translation>%1: %2
Try &apos;%1 %3--help&apos;.
</translation>
    </message>
    <message>
        <source>The load&apos;s serial port (a device, a link to one, or Com1 to Com4). Required.</source>
        <translation>The load&apos;s serial port (a device, a link to one, or Com1 to Com4). Required.</translation>
    </message>
    <message>
        <source>The minimum voltage: the run stops at the first reading at or below VOLTS. Required.</source>
        <translation>The minimum voltage: the run stops at the first reading at or below VOLTS. Required.</translation>
    </message>
    <message>
        <source>Polls the load every MS milliseconds (default 200; at least 220 at 4800 bit/s, 150 at 9600, 120 at 19200, 100 at 38400).</source>
        <translation>Polls the load every MS milliseconds (default 200; at least 220 at 4800 bit/s, 150 at 9600, 120 at 19200, 100 at 38400).</translation>
    </message>
    <message>
        <source>The line&apos;s speed in bit/s (default 9600), 8 data bits, no parity, one stop bit.</source>
        <translation>The line&apos;s speed in bit/s (default 9600), 8 data bits, no parity, one stop bit.</translation>
    </message>
    <message>
        <source>Stops the run after DURATION since Load ON: seconds (3600), with units (90s, 45m, 20h, 1h30m) or H:MM:SS.</source>
        <translation>Stops the run after DURATION since Load ON: seconds (3600), with units (90s, 45m, 20h, 1h30m) or H:MM:SS.</translation>
    </message>
    <message>
        <source>Stops the run once AH ampere-hours are drawn.</source>
        <translation>Stops the run once AH ampere-hours are drawn.</translation>
    </message>
    <message>
        <source>Stops the run once WH watt-hours are drawn.</source>
        <translation>Stops the run once WH watt-hours are drawn.</translation>
    </message>
    <message>
        <source>Names the cell under test in the stored run.</source>
        <translation>Names the cell under test in the stored run.</translation>
    </message>
    <message>
        <source>Switches the load off when it has given no reading for SECONDS (default %1; 0: never), and ends the run when a lost link is not back within SECONDS.</source>
        <translation>Switches the load off when it has given no reading for SECONDS (default %1; 0: never), and ends the run when a lost link is not back within SECONDS.</translation>
    </message>
    <message>
        <source>Writes the run&apos;s readings to FILE as CSV after the run.</source>
        <translation>Writes the run&apos;s readings to FILE as CSV after the run.</translation>
    </message>
    <message>
        <source>Writes the run as a Battery Data Format file FILE (name.bdf.csv, with name.bdf.metadata.json beside it) after the run.</source>
        <translation>Writes the run as a Battery Data Format file FILE (name.bdf.csv, with name.bdf.metadata.json beside it) after the run.</translation>
    </message>
    <message>
        <source>Writes one JSON object per reading and a summary object to the standard output (messages go to the error output).</source>
        <translation>Writes one JSON object per reading and a summary object to the standard output (messages go to the error output).</translation>
    </message>
    <message>
        <source>Leaves out the status line (and the reading objects of --json).</source>
        <translation>Leaves out the status line (and the reading objects of --json).</translation>
    </message>
    <message>
        <source>Usage: %1 run --port PATH --minimum VOLTS [options]
One discharge without a window: the load is handed to the computer, switched on, polled and
stored until the first stop, then switched off and handed back to its front panel.</source>
        <translation>Usage: %1 run --port PATH --minimum VOLTS [options]
One discharge without a window: the load is handed to the computer, switched on, polled and
stored until the first stop, then switched off and handed back to its front panel.</translation>
    </message>
    <message>
        <source>run needs --port PATH.</source>
        <translation>run needs --port PATH.</translation>
    </message>
    <message>
        <source>run needs --minimum VOLTS.</source>
        <translation>run needs --minimum VOLTS.</translation>
    </message>
    <message>
        <source>--minimum needs a voltage above 0, not &apos;%1&apos;.</source>
        <translation>--minimum needs a voltage above 0, not &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>--baud needs a line speed in bit/s, not &apos;%1&apos;.</source>
        <translation>--baud needs a line speed in bit/s, not &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>--interval needs a number of milliseconds, not &apos;%1&apos;.</source>
        <translation>--interval needs a number of milliseconds, not &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>--max-time needs a duration such as 3600, 90m, 20h, 1h30m or 2:00:00, not &apos;%1&apos;.</source>
        <translation>--max-time needs a duration such as 3600, 90m, 20h, 1h30m or 2:00:00, not &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>--max-ah needs a charge above 0, not &apos;%1&apos;.</source>
        <translation>--max-ah needs a charge above 0, not &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>--max-wh needs an energy above 0, not &apos;%1&apos;.</source>
        <translation>--max-wh needs an energy above 0, not &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Writes the runs as JSON, one object a line.</source>
        <translation>Writes the runs as JSON, one object a line.</translation>
    </message>
    <message>
        <source>Usage: %1 runs [--json]
Lists the stored runs with their figures, oldest first.</source>
        <translation>Usage: %1 runs [--json]
Lists the stored runs with their figures, oldest first.</translation>
    </message>
    <message>
        <source>The stored run to write (its number, as `runs` lists it). Required.</source>
        <translation>The stored run to write (its number, as `runs` lists it). Required.</translation>
    </message>
    <message>
        <source>Writes the run&apos;s readings to FILE as CSV.</source>
        <translation>Writes the run&apos;s readings to FILE as CSV.</translation>
    </message>
    <message>
        <source>Writes the run as a Battery Data Format file FILE (name.bdf.csv, with name.bdf.metadata.json beside it).</source>
        <translation>Writes the run as a Battery Data Format file FILE (name.bdf.csv, with name.bdf.metadata.json beside it).</translation>
    </message>
    <message>
        <source>Usage: %1 export --run N (--csv FILE | --bdf FILE)
Writes one stored run as a file. Exit status 0 when written, 1 when the run or the
file failed, 2 on wrong usage.</source>
        <translation>Usage: %1 export --run N (--csv FILE | --bdf FILE)
Writes one stored run as a file. Exit status 0 when written, 1 when the run or the
file failed, 2 on wrong usage.</translation>
    </message>
    <message>
        <source>export needs --run N, the number of a stored run.</source>
        <translation>export needs --run N, the number of a stored run.</translation>
    </message>
    <message>
        <source>export needs --csv FILE or --bdf FILE.</source>
        <translation>export needs --csv FILE or --bdf FILE.</translation>
    </message>
    <message>
        <source>Usage: %1 [options]
       %1 run --port PATH --minimum VOLTS [options]
       %1 runs [--json]
       %1 export --run N (--csv FILE | --bdf FILE)</source>
        <translation>Usage: %1 [options]
       %1 run --port PATH --minimum VOLTS [options]
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
Commands (no display needed; &apos;%1 COMMAND --help&apos; tells their options):
  run     one discharge without a window, for scripts and automated rigs
  runs    lists the stored runs with their figures
  export  writes one stored run as CSV or Battery Data Format
</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Confirm</translation>
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
        <translation>The load was not switched on: a poll interval of %1 ms stops polling, so no reading would come and the minimum-voltage stop could not work. Under Settings, set a poll interval of at least %2 ms, then press Load ON.</translation>
    </message>
    <message>
        <source>The load was not switched on: a Send-frequency of %1 ms is shorter than %2 bit/s can carry, so the answers would run together and the minimum-voltage stop could not work. Under Setting, set a Send-frequency of at least %3 ms, then Load ON.</source>
        <translation>The load was not switched on: a poll interval of %1 ms is shorter than %2 bit/s can carry, so the answers would run together and the minimum-voltage stop could not work. Under Settings, set a poll interval of at least %3 ms, then press Load ON.</translation>
    </message>
    <message>
        <source>Polling off: Load ON needs %1 ms or more</source>
        <translation>Polling off: Load ON needs %1 ms or more</translation>
    </message>
    <message>
        <source>Too short for %1 bit/s: %2 ms or more</source>
        <translation>Too short for %1 bit/s: %2 ms or more</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>Unknown option &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>Unknown options: %1.</translation>
    </message>
    <message>
        <source>Missing value after &apos;%1&apos;.</source>
        <translation>Missing value after &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Unexpected value after &apos;%1&apos;.</source>
        <translation>Unexpected value after &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>Options:</translation>
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
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>QPrintPreviewDialog</name>
    <message>
        <source>Print Preview</source>
        <translation>Print Preview</translation>
    </message>
    <message>
        <source>Fit width</source>
        <translation>Fit width</translation>
    </message>
    <message>
        <source>Fit page</source>
        <translation>Fit page</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Zoom in</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Zoom out</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Portrait</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Landscape</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>First page</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Last page</translation>
    </message>
    <message>
        <source>Show single page</source>
        <translation>Show single page</translation>
    </message>
    <message>
        <source>Show facing pages</source>
        <translation>Show facing pages</translation>
    </message>
    <message>
        <source>Show overview of all pages</source>
        <translation>Show overview of all pages</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>Page setup</source>
        <translation>Page setup</translation>
    </message>
</context>
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ReadingStore</name>
    <message>
        <source>The configuration file %1 is damaged (line %2: %3).</source>
        <translation>The configuration file %1 is damaged (line %2: %3).</translation>
    </message>
    <message>
        <source>an alias without a name</source>
        <translation>an alias without a name</translation>
    </message>
    <message>
        <source>not a NAME=VALUE line</source>
        <translation>not a NAME=VALUE line</translation>
    </message>
    <message>
        <source>a parameter before the first alias</source>
        <translation>a parameter before the first alias</translation>
    </message>
    <message>
        <source>The configuration file %1 %2.</source>
        <translation>The configuration file %1 %2.</translation>
    </message>
    <message>
        <source>cannot be read (%1)</source>
        <translation>cannot be read (%1)</translation>
    </message>
    <message>
        <source>is not a regular file</source>
        <translation>is not a regular file</translation>
    </message>
    <message>
        <source>is larger than %1 KiB: it is no alias file</source>
        <translation>is larger than %1 KiB: it is no alias file</translation>
    </message>
    <message>
        <source>cannot be written (%1)</source>
        <translation>cannot be written (%1)</translation>
    </message>
    <message>
        <source>The folder %1 of the configuration file cannot be created.</source>
        <translation>The folder %1 of the configuration file cannot be created.</translation>
    </message>
    <message>
        <source>The configuration file %1 cannot be written (%2).</source>
        <translation>The configuration file %1 cannot be written (%2).</translation>
    </message>
    <message>
        <source>there is no data directory</source>
        <translation>there is no data directory</translation>
    </message>
    <message>
        <source>the directory %1 cannot be created</source>
        <translation>the directory %1 cannot be created</translation>
    </message>
    <message>
        <source>%1 cannot be made (%2)</source>
        <translation>%1 cannot be created (%2)</translation>
    </message>
    <message>
        <source>%1 cannot be written (%2)</source>
        <translation>%1 cannot be written (%2)</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>%1 cannot be emptied (%2)</source>
        <translation>%1 cannot be emptied (%2)</translation>
    </message>
    <message>
        <source>Have no install BDE ,Please insatll !</source>
        <translation>The table engine is not set up. Please install it.</translation>
    </message>
    <message>
        <source>Alias %1 holds a PASSWORD: remove it from the table engine&apos;s configuration and keep the password in ~/.pgpass (or the file PGPASSFILE names)</source>
        <translation>Alias %1 holds a PASSWORD: remove it from the table engine&apos;s configuration and keep the password in ~/.pgpass (or the file PGPASSFILE names)</translation>
    </message>
    <message>
        <source>Alias %1: PORT=%2 is not a port number</source>
        <translation>Alias %1: PORT=%2 is not a port number</translation>
    </message>
    <message>
        <source>Alias %1 has no SCHEMA parameter</source>
        <translation>Alias %1 has no SCHEMA parameter</translation>
    </message>
    <message>
        <source>Alias %1: SCHEMA=%2 is longer than the %3 bytes a server takes for a name</source>
        <translation>Alias %1: SCHEMA=%2 is longer than the %3 bytes a server takes for a name</translation>
    </message>
    <message>
        <source>The reading table is not set up: %1 has no alias %2</source>
        <translation>The reading table is not set up: %1 has no alias %2</translation>
    </message>
    <message>
        <source>Alias %1 has no PATH parameter</source>
        <translation>Alias %1 has no PATH parameter</translation>
    </message>
    <message>
        <source>The server of the reading table cannot be reached or used (%1): %2
The program goes on: readings are kept and stored as soon as the server takes them.</source>
        <translation>The server of the reading table cannot be reached or used (%1): %2
The program goes on: readings are kept and stored as soon as the server takes them.</translation>
    </message>
    <message>
        <source>the default host</source>
        <translation>the default host</translation>
    </message>
    <message>
        <source>socket directory %1</source>
        <translation>socket directory %1</translation>
    </message>
    <message>
        <source>Cannot create %1</source>
        <translation>Cannot create %1</translation>
    </message>
    <message>
        <source>The SQLite driver (Qt SQL plugin %1) cannot be loaded.</source>
        <translation>The SQLite driver (Qt SQL plugin %1) cannot be loaded.</translation>
    </message>
    <message>
        <source>Alias %1 in %2 has no parameters.</source>
        <translation>Alias %1 in %2 has no parameters.</translation>
    </message>
    <message>
        <source>.
End the other program, or give this one a directory of its own. Until the other program ends, this program&apos;s readings are kept, not stored.</source>
        <translation>.
End the other program, or give this one a directory of its own. Until the other program ends, this program&apos;s readings are kept, not stored.</translation>
    </message>
    <message>
        <source>Cannot store a reading in %1</source>
        <translation>Cannot store a reading in %1</translation>
    </message>
    <message>
        <source>Table %1 has no row number left after %2</source>
        <translation>Table %1 has no row number left after %2</translation>
    </message>
    <message>
        <source>Cannot count the rows of %1</source>
        <translation>Cannot count the rows of %1</translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation>Cannot read %1</translation>
    </message>
    <message>
        <source>Cannot delete readings from %1</source>
        <translation>Cannot delete readings from %1</translation>
    </message>
    <message>
        <source>Cannot create table %1 in %2</source>
        <translation>Cannot create table %1 in %2</translation>
    </message>
    <message>
        <source>Table %1 does not exist in %2</source>
        <translation>Table %1 does not exist in %2</translation>
    </message>
    <message>
        <source>Another program is already storing its readings in schema %1 of %2: two benches must not log into one schema</source>
        <translation>Another program is already storing its readings in schema %1 of %2: two benches must not log into one schema</translation>
    </message>
    <message>
        <source>The PostgreSQL driver (Qt SQL plugin %1) cannot be loaded</source>
        <translation>The PostgreSQL driver (Qt SQL plugin %1) cannot be loaded</translation>
    </message>
    <message>
        <source>Cannot connect to %1: no time is left before the end of the program</source>
        <translation>Cannot connect to %1: no time is left before the end of the program</translation>
    </message>
    <message>
        <source>Cannot connect to %1: %2</source>
        <translation>Cannot connect to %1: %2</translation>
    </message>
    <message>
        <source>Cannot look for %1</source>
        <translation>Cannot look for %1</translation>
    </message>
    <message>
        <source>Cannot list the tables of %1</source>
        <translation>Cannot list the tables of %1</translation>
    </message>
    <message>
        <source>The connection to %1 was lost (%2)</source>
        <translation>The connection to %1 was lost (%2)</translation>
    </message>
    <message>
        <source>The tables of %1 are locked by another user (%2)</source>
        <translation>The tables of %1 are locked by another user (%2)</translation>
    </message>
    <message>
        <source>The server holding %1 took too long (%2)</source>
        <translation>The server holding %1 took too long (%2)</translation>
    </message>
    <message>
        <source>The server holding %1 has no room left (%2)</source>
        <translation>The server holding %1 has no room left (%2)</translation>
    </message>
    <message>
        <source>Cannot claim %1</source>
        <translation>Cannot claim %1</translation>
    </message>
    <message>
        <source>the table file %1</source>
        <translation>the table file %1</translation>
    </message>
    <message>
        <source>Another program is already storing its readings in %1: two programs must not log into one table file</source>
        <translation>Another program is already storing its readings in %1: two programs must not log into one table file</translation>
    </message>
    <message>
        <source>The directory %1 of the reading table does not exist</source>
        <translation>The directory %1 of the reading table does not exist</translation>
    </message>
    <message>
        <source>The table file %1 cannot be opened (%2)</source>
        <translation>The table file %1 cannot be opened (%2)</translation>
    </message>
    <message>
        <source>not a file</source>
        <translation>not a file</translation>
    </message>
    <message>
        <source>The table file %1 is not a database</source>
        <translation>The table file %1 is not a database</translation>
    </message>
    <message>
        <source>The SQLite driver (Qt SQL plugin %1) cannot be loaded</source>
        <translation>The SQLite driver (Qt SQL plugin %1) cannot be loaded</translation>
    </message>
    <message>
        <source>Cannot open %1</source>
        <translation>Cannot open %1</translation>
    </message>
    <message>
        <source>The table file %1 is damaged or is not a database (%2)</source>
        <translation>The table file %1 is damaged or is not a database (%2)</translation>
    </message>
    <message>
        <source>The table file %1 is locked by another user (%2)</source>
        <translation>The table file %1 is locked by another user (%2)</translation>
    </message>
    <message>
        <source>The disk holding the table file %1 is full (%2)</source>
        <translation>The disk holding the table file %1 is full (%2)</translation>
    </message>
    <message>
        <source>, schema </source>
        <translation>, schema </translation>
    </message>
    <message>
        <source>alias %1</source>
        <translation>alias %1</translation>
    </message>
    <message>
        <source>host %1</source>
        <translation>host %1</translation>
    </message>
    <message>
        <source>database %1 on %2, port %3</source>
        <translation>database %1 on %2, port %3</translation>
    </message>
    <message>
        <source>(the default)</source>
        <translation>(the default)</translation>
    </message>
    <message>
        <source>Cannot start a run in %1</source>
        <translation>Cannot start a run in %1</translation>
    </message>
    <message>
        <source>%1: no run number</source>
        <translation>%1: no run number</translation>
    </message>
    <message>
        <source>Cannot end run %1 in %2</source>
        <translation>Cannot end run %1 in %2</translation>
    </message>
    <message>
        <source>Cannot read the runs of %1</source>
        <translation>Cannot read the runs of %1</translation>
    </message>
    <message>
        <source>Cannot read run %1 of %2</source>
        <translation>Cannot read run %1 of %2</translation>
    </message>
    <message>
        <source>Cannot read the readings of run %1 of %2</source>
        <translation>Cannot read the readings of run %1 of %2</translation>
    </message>
    <message>
        <source>Cannot end the runs left open in %1</source>
        <translation>Cannot end the runs left open in %1</translation>
    </message>
    <message>
        <source>Cannot create the table of runs in %1</source>
        <translation>Cannot create the table of runs in %1</translation>
    </message>
</context>
<context>
    <name>RunChart</name>
    <message>
        <source>Vol-Run chart</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>Cur-Run Chart</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>Pow-Run Chart</source>
        <translation>Power</translation>
    </message>
</context>
<context>
    <name>RunFiles</name>
    <message>
        <source>Save as BDF</source>
        <translation>Save as BDF</translation>
    </message>
    <message>
        <source>Battery Data Format files (*.bdf.csv);;All files (*)</source>
        <translation>Battery Data Format files (*.bdf.csv);;All files (*)</translation>
    </message>
    <message>
        <source>Saving run %1...</source>
        <translation>Saving run %1...</translation>
    </message>
    <message>
        <source>Run %1 was not saved as BDF: %2</source>
        <translation>Run %1 was not saved as BDF: %2</translation>
    </message>
</context>
<context>
    <name>RunOutput</name>
    <message>
        <source>time %1</source>
        <translation>time %1</translation>
    </message>
    <message>
        <source>charge %1 Ah</source>
        <translation>charge %1 Ah</translation>
    </message>
    <message>
        <source>energy %1 Wh</source>
        <translation>energy %1 Wh</translation>
    </message>
    <message>
        <source>none</source>
        <translation>none</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>%1  %2 V  %3 A  %4 W  %5 Ah  %6 Wh  %7 readings  limits: %8</source>
        <translation>%1  %2 V  %3 A  %4 W  %5 Ah  %6 Wh  %7 readings  limits: %8</translation>
    </message>
    <message>
        <source>Run ended: %1 (exit status %2)
</source>
        <translation>Run ended: %1 (exit status %2)
</translation>
    </message>
    <message>
        <source>Run %1%2 stored
</source>
        <translation>Run %1%2 stored
</translation>
    </message>
    <message>
        <source>Duration %1, %2 readings, %3 Ah, %4 Wh
</source>
        <translation>Duration %1, %2 readings, %3 Ah, %4 Wh
</translation>
    </message>
    <message>
        <source>Voltage: start %1 V, end %2 V, lowest %3 V (minimum %4 V)
</source>
        <translation>Voltage: start %1 V, end %2 V, lowest %3 V (minimum %4 V)
</translation>
    </message>
    <message>
        <source>%1 readings could not be stored; they are kept for the next start of the program
</source>
        <translation>%1 readings could not be stored; they are kept for the next start of the program
</translation>
    </message>
    <message>
        <source>THE LOAD ON %1 MAY STILL BE ON: switch it off at the load
</source>
        <translation>THE LOAD ON %1 MAY STILL BE ON: switch it off at the load
</translation>
    </message>
</context>
<context>
    <name>RunTexts</name>
    <message>
        <source>running</source>
        <translation>running</translation>
    </message>
    <message>
        <source>Load OFF</source>
        <translation>Load OFF</translation>
    </message>
    <message>
        <source>minimum voltage</source>
        <translation>minimum voltage</translation>
    </message>
    <message>
        <source>time limit</source>
        <translation>time limit</translation>
    </message>
    <message>
        <source>charge limit</source>
        <translation>charge limit</translation>
    </message>
    <message>
        <source>energy limit</source>
        <translation>energy limit</translation>
    </message>
    <message>
        <source>no answer from the load</source>
        <translation>no answer from the load</translation>
    </message>
    <message>
        <source>link lost</source>
        <translation>link lost</translation>
    </message>
    <message>
        <source>program closed</source>
        <translation>program closed</translation>
    </message>
    <message>
        <source>port changed</source>
        <translation>port changed</translation>
    </message>
    <message>
        <source>ended unexpectedly</source>
        <translation>ended unexpectedly</translation>
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
        <translation>minimum </translation>
    </message>
    <message>
        <source>, time </source>
        <translation>, time </translation>
    </message>
    <message>
        <source>, charge </source>
        <translation>, charge </translation>
    </message>
    <message>
        <source>, energy </source>
        <translation>, energy </translation>
    </message>
    <message>
        <source> (cleared from the table)</source>
        <translation> (cleared from the table)</translation>
    </message>
    <message>
        <source> (%1 without readings not counted)</source>
        <translation> (%1 without readings not counted)</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>Ended</translation>
    </message>
    <message>
        <source>not ended</source>
        <translation>not ended</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Readings</translation>
    </message>
    <message>
        <source>Charge</source>
        <translation>Charge</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>Energy</translation>
    </message>
    <message>
        <source>Start voltage</source>
        <translation>Start voltage</translation>
    </message>
    <message>
        <source>End voltage</source>
        <translation>End voltage</translation>
    </message>
    <message>
        <source>Lowest voltage</source>
        <translation>Lowest voltage</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>Ended by</source>
        <translation>Ended by</translation>
    </message>
</context>
<context>
    <name>SerialDevice</name>
    <message>
        <source>Manufacturer: %1</source>
        <translation>Manufacturer: %1</translation>
    </message>
    <message>
        <source>Serial number: %1</source>
        <translation>Serial number: %1</translation>
    </message>
    <message>
        <source>Device: %1</source>
        <translation>Device: %1</translation>
    </message>
</context>
<context>
    <name>SpreadsheetExport</name>
    <message>
        <source>Exporting records...</source>
        <translation>Exporting records...</translation>
    </message>
    <message>
        <source>no Install Excel!</source>
        <translation>No spreadsheet application is installed.</translation>
    </message>
    <message>
        <source>On Linux, the export needs LibreOffice Calc: install the package libreoffice-calc (sudo apt install libreoffice-calc). The error output tells what failed.</source>
        <translation>On Linux, the export needs LibreOffice Calc: install the package libreoffice-calc (sudo apt install libreoffice-calc). The error output tells what failed.</translation>
    </message>
</context>
<context>
    <name>StoredRuns</name>
    <message>
        <source>the reading table cannot be used: %1</source>
        <translation>the reading table cannot be used: %1</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Started (UTC)</source>
        <translation>Started (UTC)</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Readings</translation>
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
        <translation>End V</translation>
    </message>
    <message>
        <source>Ended by</source>
        <translation>Ended by</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Label</translation>
    </message>
    <message>
        <source> (cleared)</source>
        <translation> (cleared)</translation>
    </message>
    <message>
        <source>The readings of run %1 cannot be read: %2</source>
        <translation>The readings of run %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>The runs cannot be read: %1</source>
        <translation>The runs cannot be read: %1</translation>
    </message>
    <message>
        <source>There is no run %1 (`tarvex runs` lists them)</source>
        <translation>There is no run %1 (`tarvex runs` lists them)</translation>
    </message>
    <message>
        <source>The readings of run %1 were cleared</source>
        <translation>The readings of run %1 were cleared</translation>
    </message>
    <message>
        <source>Run %1 cannot be read: %2</source>
        <translation>Run %1 cannot be read: %2</translation>
    </message>
</context>
<context>
    <name>tarvex::AboutDialog</name>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Tarvex Value-Chart</source>
        <translation>Tarvex Value Chart</translation>
    </message>
    <message>
        <source>Tarvex logo</source>
        <translation>Tarvex logo</translation>
    </message>
    <message>
        <source>TarvexVol Code:2.0</source>
        <translation>TarvexVol version 2.0</translation>
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
        <translation>Cannot print the report</translation>
    </message>
    <message>
        <source>Cannot print the report to %1</source>
        <translation>Cannot print the report to %1</translation>
    </message>
    <message>
        <source>Printing...</source>
        <translation>Printing...</translation>
    </message>
    <message>
        <source>Cannot start a new page of the report</source>
        <translation>Cannot start a new page of the report</translation>
    </message>
    <message>
        <source>Cannot finish printing the report</source>
        <translation>Cannot finish printing the report</translation>
    </message>
</context>
<context>
    <name>tarvex::ChartPanel</name>
    <message>
        <source>%1 (zoomed)</source>
        <translation>%1 (zoomed)</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Copy picture</translation>
    </message>
    <message>
        <source>Copy picture at 2×</source>
        <translation>Copy picture at 2×</translation>
    </message>
    <message>
        <source>Save picture as PNG…</source>
        <translation>Save picture as PNG…</translation>
    </message>
    <message>
        <source>Save picture at 2× as PNG…</source>
        <translation>Save picture at 2× as PNG…</translation>
    </message>
    <message>
        <source>Show all</source>
        <translation>Show all</translation>
    </message>
    <message>
        <source>Save picture at 2× as PNG</source>
        <translation>Save picture at 2× as PNG</translation>
    </message>
    <message>
        <source>Save picture as PNG</source>
        <translation>Save picture as PNG</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <source>The picture could not be saved in %1: %2</source>
        <translation>The picture could not be saved in %1: %2</translation>
    </message>
</context>
<context>
    <name>tarvex::CompareWindow</name>
    <message>
        <source>run %1</source>
        <translation>run %1</translation>
    </message>
    <message>
        <source>Compare runs</source>
        <translation>Compare runs</translation>
    </message>
    <message>
        <source>Against &amp;charge drawn (Ah)</source>
        <translation>Against &amp;charge drawn (Ah)</translation>
    </message>
    <message>
        <source>Against charge drawn (Ah)</source>
        <translation>Against charge drawn (Ah)</translation>
    </message>
    <message>
        <source>Against elapsed &amp;time</source>
        <translation>Against elapsed &amp;time</translation>
    </message>
    <message>
        <source>Against elapsed time</source>
        <translation>Against elapsed time</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>%1 of %2 runs shown: Compare shows %3 at most</source>
        <translation>%1 of %2 runs shown: Compare shows %3 at most</translation>
    </message>
    <message>
        <source>%1 runs</source>
        <translation>%1 runs</translation>
    </message>
</context>
<context>
    <name>tarvex::ControlWindow</name>
    <message>
        <source>On Linux, serial ports belong to the group &quot;dialout&quot;: add your user to it (sudo usermod -aG dialout &quot;$USER&quot;), then log out and in again.</source>
        <translation>On Linux, serial ports belong to the group &quot;dialout&quot;: add your user to it (sudo usermod -aG dialout &quot;$USER&quot;), then log out and in again.</translation>
    </message>
    <message>
        <source>Another program holds the port (a terminal program, or another copy of this one).</source>
        <translation>Another program holds the port (a terminal program, or another copy of this one).</translation>
    </message>
    <message>
        <source>TarvexForm</source>
        <translation>Tarvex</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Query</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Voltage</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>Current</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>Power</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>Minimum Voltage:</source>
        <translation>Minimum voltage:</translation>
    </message>
    <message>
        <source>PC Control</source>
        <translation>PC Control</translation>
    </message>
    <message>
        <source>Self Control</source>
        <translation>Front Panel</translation>
    </message>
    <message>
        <source>Load ON</source>
        <translation>Load ON</translation>
    </message>
    <message>
        <source>Load OFF</source>
        <translation>Load OFF</translation>
    </message>
    <message>
        <source>打开串口%1失败</source>
        <translation>Could not open serial port %1</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud rate: </translation>
    </message>
    <message>
        <source>The Minnum Voltag is Protect!</source>
        <translation>Minimum voltage reached: the load was switched off.</translation>
    </message>
    <message>
        <source>No reading: load switched off</source>
        <translation>No reading: load switched off</translation>
    </message>
    <message>
        <source>The load on %1 gave no reading for %2 s. It was switched off: the minimum-voltage stop cannot work without readings.</source>
        <translation>The load on %1 gave no reading for %2 s. It was switched off: the minimum-voltage stop cannot work without readings.</translation>
    </message>
    <message>
        <source>LOAD STILL ON: switch it off</source>
        <translation>LOAD STILL ON: switch it off</translation>
    </message>
    <message>
        <source>THE LOAD ON %1 IS STILL ON. It draws %2 A after three load-off requests. Switch it off at the load itself now.</source>
        <translation>THE LOAD ON %1 IS STILL ON. It draws %2 A after three load-off requests. Switch it off at the load itself now.</translation>
    </message>
    <message>
        <source>Load on %1 switched off before changing its line settings</source>
        <translation>Load on %1 switched off before changing its line settings</translation>
    </message>
    <message>
        <source>Load on %1 switched off before changing to %2</source>
        <translation>Load on %1 switched off before changing to %2</translation>
    </message>
    <message>
        <source>Load on %1 may still be on</source>
        <translation>Load on %1 may still be on</translation>
    </message>
    <message>
        <source>The load is on, but no guard process could be started (%1): should the program end unexpectedly, nothing would switch the load off. Watch it, or switch it off and try again.</source>
        <translation>The load is on, but no guard process could be started (%1): should the program end unexpectedly, nothing would switch the load off. Watch it, or switch it off and try again.</translation>
    </message>
    <message>
        <source>Link lost</source>
        <translation>Link lost</translation>
    </message>
    <message>
        <source>The connection to the load on %1 was lost. Readings and the minimum-voltage stop are paused until it is back; the program opens the port again by itself every second. Check the cable.</source>
        <translation>The connection to the load on %1 was lost. Readings and the minimum-voltage stop are paused until it is back; the program opens the port again by itself every second. Check the cable.</translation>
    </message>
    <message>
        <source>Link back</source>
        <translation>Link back</translation>
    </message>
    <message>
        <source>No answer from the load</source>
        <translation>No answer from the load</translation>
    </message>
    <message>
        <source>Readings wait to be stored</source>
        <translation>Readings wait to be stored</translation>
    </message>
    <message>
        <source>Readings cannot be stored now: %1
They are kept and written to the table as soon as it takes them again.</source>
        <translation>Readings cannot be stored now: %1
They are kept and written to the table as soon as it takes them again.</translation>
    </message>
    <message>
        <source>Readings waiting to be stored: %1</source>
        <translation>Readings waiting to be stored: %1</translation>
    </message>
    <message>
        <source>All %1 waiting readings stored</source>
        <translation>All %1 waiting readings stored</translation>
    </message>
    <message>
        <source>More than %1 readings (an hour of polling) are waiting to be stored. The oldest are dropped from now on; the newest are kept.</source>
        <translation>More than %1 readings (an hour of polling) are waiting to be stored. The oldest are dropped from now on; the newest are kept.</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>Run ended at its %1</source>
        <translation>Run ended at its %1</translation>
    </message>
    <message>
        <source>The run reached its %1: the load was switched off.</source>
        <translation>The run reached its %1: the load was switched off.</translation>
    </message>
</context>
<context>
    <name>tarvex::ElapsedClock</name>
    <message>
        <source>Elapsed time</source>
        <translation>Elapsed time</translation>
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
        <translation>minimum voltage %1 V reached</translation>
    </message>
    <message>
        <source>the load on %1 gave no reading for %2; it was switched off</source>
        <translation>the load on %1 gave no reading for %2; it was switched off</translation>
    </message>
    <message>
        <source>time limit %1 reached</source>
        <translation>time limit %1 reached</translation>
    </message>
    <message>
        <source>charge limit %1 Ah reached</source>
        <translation>charge limit %1 Ah reached</translation>
    </message>
    <message>
        <source>energy limit %1 Wh reached</source>
        <translation>energy limit %1 Wh reached</translation>
    </message>
    <message>
        <source>Load ON refused: %1</source>
        <translation>Load ON refused: %1</translation>
    </message>
    <message>
        <source>THE LOAD ON %1 IS STILL ON: it draws %2 A after %3 load-off requests. Switch it off at the load.</source>
        <translation>THE LOAD ON %1 IS STILL ON: it draws %2 A after %3 load-off requests. Switch it off at the load.</translation>
    </message>
    <message>
        <source>No guard process (%1): should this program die, nothing switches the load off.</source>
        <translation>No guard process (%1): should this program die, nothing switches the load off.</translation>
    </message>
    <message>
        <source>Readings cannot be stored now: %1. They are kept and stored as soon as the table takes them.</source>
        <translation>Readings cannot be stored now: %1. They are kept and stored as soon as the table takes them.</translation>
    </message>
    <message>
        <source>All %1 waiting readings stored</source>
        <translation>All %1 waiting readings stored</translation>
    </message>
    <message>
        <source>More than %1 readings wait to be stored: the oldest are dropped</source>
        <translation>More than %1 readings wait to be stored: the oldest are dropped</translation>
    </message>
    <message>
        <source>the link to %1 was lost and did not come back within %2</source>
        <translation>the link to %1 was lost and did not come back within %2</translation>
    </message>
    <message>
        <source>process %1 (%2)</source>
        <translation>process %1 (%2)</translation>
    </message>
    <message>
        <source>the reading table cannot be used: %1</source>
        <translation>the reading table cannot be used: %1</translation>
    </message>
    <message>
        <source>unknown reason</source>
        <translation>unknown reason</translation>
    </message>
    <message>
        <source>it is in use by %1</source>
        <translation>it is in use by %1</translation>
    </message>
    <message>
        <source>another program</source>
        <translation>another program</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>cannot open %1: %2</translation>
    </message>
    <message>
        <source>Link lost: %1 hung up; it is tried again every second</source>
        <translation>Link lost: %1 hung up; it is tried again every second</translation>
    </message>
    <message>
        <source>Link back: %1</source>
        <translation>Link back: %1</translation>
    </message>
    <message>
        <source>interrupted by %1</source>
        <translation>interrupted by %1</translation>
    </message>
    <message>
        <source>signal %1</source>
        <translation>signal %1</translation>
    </message>
    <message>
        <source>The stored run cannot be read: %1</source>
        <translation>The stored run cannot be read: %1</translation>
    </message>
    <message>
        <source>The run is not stored: no file written</source>
        <translation>The run is not stored: no file written</translation>
    </message>
</context>
<context>
    <name>tarvex::LoadRun</name>
    <message>
        <source>The load on %1 may still be on: the requests that switch it off could not reach it (the connection to it is lost). Switch it off at the load.</source>
        <translation>The load on %1 may still be on: the requests that switch it off could not reach it (the connection to it is lost). Switch it off at the load.</translation>
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
        <translation>Voltage / V</translation>
    </message>
    <message>
        <source>Charge drawn / Ah</source>
        <translation>Charge drawn / Ah</translation>
    </message>
    <message>
        <source>Elapsed time / %1</source>
        <translation>Elapsed time / %1</translation>
    </message>
</context>
<context>
    <name>tarvex::PortSettingsDialog</name>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>&apos;%1&apos; is not a valid whole number</translation>
    </message>
    <message>
        <source>Com Setting</source>
        <translation>Port Settings</translation>
    </message>
    <message>
        <source>Com Options</source>
        <translation>Port Options</translation>
    </message>
    <message>
        <source>Comm Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>Data Bits</source>
        <translation>Data bits</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>Stop Bits</source>
        <translation>Stop bits</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>Send-frequency</source>
        <translation>Poll interval</translation>
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
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>tarvex::QueryWindow</name>
    <message>
        <source>Query</source>
        <translation>Records</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>Report</translation>
    </message>
    <message>
        <source>Excel</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Readings</translation>
    </message>
    <message>
        <source>Save as CSV…</source>
        <translation>Save as CSV…</translation>
    </message>
    <message>
        <source>Clear All Record,Yes or No?</source>
        <translation>Delete all records?</translation>
    </message>
    <message>
        <source>Failed to Clear Data from Table!</source>
        <translation>The records could not be deleted from the table.</translation>
    </message>
    <message>
        <source>Clearing records...</source>
        <translation>Deleting records...</translation>
    </message>
    <message>
        <source>Save as CSV</source>
        <translation>Save as CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV files (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>The CSV file %1 could not be written: %2</source>
        <translation>The CSV file %1 could not be written: %2</translation>
    </message>
    <message>
        <source>Saving records...</source>
        <translation>Saving records...</translation>
    </message>
    <message>
        <source>All readings</source>
        <translation>All readings</translation>
    </message>
    <message>
        <source>&amp;Run:</source>
        <translation>&amp;Run:</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>R&amp;uns…</source>
        <translation>R&amp;uns…</translation>
    </message>
    <message>
        <source>Runs…</source>
        <translation>Runs…</translation>
    </message>
    <message>
        <source>Save as BDF…</source>
        <translation>Save as BDF…</translation>
    </message>
</context>
<context>
    <name>tarvex::ReadingRecorder</name>
    <message>
        <source>the reading table was not set up at the start of the program</source>
        <translation>the reading table was not set up at the start of the program</translation>
    </message>
    <message>
        <source>Unknown failure</source>
        <translation>Unknown failure</translation>
    </message>
    <message>
        <source>
They cannot be kept on the disk meanwhile (%1): they are lost if the program ends before they are stored.</source>
        <translation>
They cannot be kept on the disk meanwhile (%1): they are lost if the program ends before they are stored.</translation>
    </message>
</context>
<context>
    <name>tarvex::ReadingReport</name>
    <message>
        <source>TARVEX REPORT</source>
        <translation>TARVEX REPORT</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>VolVal</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>CurVal</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>PowVal</source>
        <translation>Power</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>RUN SUMMARY</source>
        <translation>RUN SUMMARY</translation>
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
        <translation>Limits: %1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>, </translation>
    </message>
    <message>
        <source>time limit (%1)</source>
        <translation>time limit (%1)</translation>
    </message>
    <message>
        <source>charge limit (%1)</source>
        <translation>charge limit (%1)</translation>
    </message>
    <message>
        <source>energy limit (%1)</source>
        <translation>energy limit (%1)</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>Limits</translation>
    </message>
    <message>
        <source>Time limit</source>
        <translation>Time limit</translation>
    </message>
    <message>
        <source> h</source>
        <translation> h</translation>
    </message>
    <message>
        <source>Time limit hours</source>
        <translation>Time limit hours</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Time limit minutes</source>
        <translation>Time limit minutes</translation>
    </message>
    <message>
        <source>Charge limit</source>
        <translation>Charge limit</translation>
    </message>
    <message>
        <source>Energy limit</source>
        <translation>Energy limit</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>&amp;Label</source>
        <translation>&amp;Label</translation>
    </message>
</context>
<context>
    <name>tarvex::RunsModel</name>
    <message>
        <source> (cleared)</source>
        <translation> (cleared)</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>Ended</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>Label</translation>
    </message>
    <message>
        <source>Ah</source>
        <translation>Ah</translation>
    </message>
    <message>
        <source>Start V</source>
        <translation>Start V</translation>
    </message>
    <message>
        <source>Lowest V</source>
        <translation>Lowest V</translation>
    </message>
    <message>
        <source>Ended by</source>
        <translation>Ended by</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Readings</translation>
    </message>
    <message>
        <source>Wh</source>
        <translation>Wh</translation>
    </message>
    <message>
        <source>End V</source>
        <translation>End V</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>Limits</translation>
    </message>
</context>
<context>
    <name>tarvex::RunsWindow</name>
    <message>
        <source>Runs</source>
        <translation>Runs</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Open</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>&amp;Compare</source>
        <translation>&amp;Compare</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Compare</translation>
    </message>
    <message>
        <source>Save as &amp;BDF…</source>
        <translation>Save as &amp;BDF…</translation>
    </message>
    <message>
        <source>Save as BDF…</source>
        <translation>Save as BDF…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Compare shows %1 runs at most: the first %1 of the %2 selected are shown.</source>
        <translation>Compare shows %1 runs at most: the first %1 of the %2 selected are shown.</translation>
    </message>
    <message>
        <source>Reading the runs...</source>
        <translation>Reading the runs...</translation>
    </message>
</context>
<context>
    <name>tarvex::SevenSegmentReadout</name>
    <message>
        <source>Out of range</source>
        <translation>Out of range</translation>
    </message>
</context>
</TS>
