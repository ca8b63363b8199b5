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
        <source>Usage: %1 [options]</source>
        <translation>Usage: %1 [options]</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unexpected argument &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>--silence-limit needs a number of seconds from 0 to 86400, not &apos;%1&apos;.</source>
        <translation>--silence-limit needs a number of seconds from 0 to 86400, not &apos;%1&apos;.</translation>
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
</context>
<context>
    <name>tarvex::ElapsedClock</name>
    <message>
        <source>Elapsed time</source>
        <translation>Elapsed time</translation>
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
</context>
<context>
    <name>tarvex::SevenSegmentReadout</name>
    <message>
        <source>Out of range</source>
        <translation>Out of range</translation>
    </message>
</context>
</TS>
