<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>Application</name>
    <message>
        <source>Unknown exception</source>
        <translation>未知错误</translation>
    </message>
</context>
<context>
    <name>BatteryDataFile</name>
    <message>
        <source>The file %1 could not be written: %2</source>
        <translation>无法写入文件 %1：%2</translation>
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
        <translation>+%1 天</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Discharge tests with a programmable DC electronic load.</source>
        <translation>用可编程直流电子负载进行放电测试。</translation>
    </message>
    <message>
        <source>Displays this help.</source>
        <translation>显示此帮助。</translation>
    </message>
    <message>
        <source>Displays version information.</source>
        <translation>显示版本信息。</translation>
    </message>
    <message>
        <source>Puts PATH in &quot;Comm Port&quot; of the port settings at start (a serial device, a link to one, or Com1 to Com4); Setting and OK open it.</source>
        <translation>启动时将 PATH 填入端口设置的“串口”(串口设备、指向它的链接，或 Com1 至 Com4)；点“设置”再点“确定”即打开该端口。</translation>
    </message>
    <message>
        <source>While the load is on, switches it off when it has given no reading for SECONDS (default %1; 0: never): the minimum-voltage stop cannot work without readings.</source>
        <translation>负载接通时，若 SECONDS 秒内没有读数(默认 %1；0 表示从不)，则将其断开：没有读数，最低电压保护无法工作。</translation>
    </message>
    <message>
        <source>Writes the serial link&apos;s trace to FILE, each line with its time: opens, closes, hang-ups and errors, and every frame sent and chunk received in hex. For finding out what goes wrong on a link.</source>
        <translation>将串口连接的跟踪记录写入 FILE，每行带时间：打开、关闭、挂断和错误，以及每个发送的帧和接收的数据块(十六进制)。用于查找连接的故障。</translation>
    </message>
    <message>
        <source>Shows the program&apos;s texts in the language CODE (de, en, zh_CN, ...) instead of the system&apos;s; &quot;source&quot; shows them as written in the program.</source>
        <translation>以语言 CODE(de、en、zh_CN 等)而非系统语言显示程序文字；“source”按程序中原文显示。</translation>
    </message>
    <message>
        <source>%1: %2
Try &apos;%1 --help&apos;.
</source>
        <translation>%1: %2
请尝试“%1 --help”。
</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>意外的参数“%1”。</translation>
    </message>
    <message>
        <source>--silence-limit needs a number of seconds from 0 to 86400, not &apos;%1&apos;.</source>
        <translation>--silence-limit 需要 0 到 86400 之间的秒数，而不是“%1”。</translation>
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
        <translation>退出状态：
  0    达到最低电压
  1    无法打开端口或无法使用读数表
  2    用法错误
  3    达到限值(--max-time、--max-ah、--max-wh)
  4    负载不再应答：已将其断开(静默限值)
  5    连接中断，且未在静默限值内恢复
  130  被 SIGINT 中断，143 为 SIGTERM(129 为 SIGHUP)，此时负载已断开
       并交还给其前面板
</translation>
    </message>
    <message>
        <source>%1: %2
Try &apos;%1 %3--help&apos;.
</source>
        <translation>%1: %2
请尝试“%1 %3--help”。
</translation>
    </message>
    <message>
        <source>The load&apos;s serial port (a device, a link to one, or Com1 to Com4). Required.</source>
        <translation>负载的串口(设备、指向它的链接，或 Com1 至 Com4)。必填。</translation>
    </message>
    <message>
        <source>The minimum voltage: the run stops at the first reading at or below VOLTS. Required.</source>
        <translation>最低电压：第一个等于或低于 VOLTS 的读数出现时运行停止。必填。</translation>
    </message>
    <message>
        <source>Polls the load every MS milliseconds (default 200; at least 220 at 4800 bit/s, 150 at 9600, 120 at 19200, 100 at 38400).</source>
        <translation>每 MS 毫秒查询一次负载(默认 200；4800 bit/s 时至少 220，9600 时 150，19200 时 120，38400 时 100)。</translation>
    </message>
    <message>
        <source>The line&apos;s speed in bit/s (default 9600), 8 data bits, no parity, one stop bit.</source>
        <translation>线路速率，单位 bit/s(默认 9600)，8 个数据位，无校验，1 个停止位。</translation>
    </message>
    <message>
        <source>Stops the run after DURATION since Load ON: seconds (3600), with units (90s, 45m, 20h, 1h30m) or H:MM:SS.</source>
        <translation>自负载接通起经过 DURATION 后停止运行：秒数(3600)、带单位(90s、45m、20h、1h30m)或 H:MM:SS。</translation>
    </message>
    <message>
        <source>Stops the run once AH ampere-hours are drawn.</source>
        <translation>放出 AH 安时后停止运行。</translation>
    </message>
    <message>
        <source>Stops the run once WH watt-hours are drawn.</source>
        <translation>放出 WH 瓦时后停止运行。</translation>
    </message>
    <message>
        <source>Names the cell under test in the stored run.</source>
        <translation>在保存的运行中为被测电池命名。</translation>
    </message>
    <message>
        <source>Switches the load off when it has given no reading for SECONDS (default %1; 0: never), and ends the run when a lost link is not back within SECONDS.</source>
        <translation>若负载 SECONDS 秒内没有读数则将其断开(默认 %1；0 表示从不)；若中断的连接未在 SECONDS 秒内恢复则结束运行。</translation>
    </message>
    <message>
        <source>Writes the run&apos;s readings to FILE as CSV after the run.</source>
        <translation>运行结束后将运行的读数以 CSV 格式写入 FILE。</translation>
    </message>
    <message>
        <source>Writes the run as a Battery Data Format file FILE (name.bdf.csv, with name.bdf.metadata.json beside it) after the run.</source>
        <translation>运行结束后将运行写为 Battery Data Format 文件 FILE(name.bdf.csv，旁边附 name.bdf.metadata.json)。</translation>
    </message>
    <message>
        <source>Writes one JSON object per reading and a summary object to the standard output (messages go to the error output).</source>
        <translation>向标准输出为每个读数写一个 JSON 对象，并写一个汇总对象(消息写到错误输出)。</translation>
    </message>
    <message>
        <source>Leaves out the status line (and the reading objects of --json).</source>
        <translation>省略状态行(以及 --json 的读数对象)。</translation>
    </message>
    <message>
        <source>Usage: %1 run --port PATH --minimum VOLTS [options]
One discharge without a window: the load is handed to the computer, switched on, polled and
stored until the first stop, then switched off and handed back to its front panel.</source>
        <translation>用法：%1 run --port PATH --minimum VOLTS [选项]
无窗口的一次放电：负载交由计算机控制、接通、查询并
保存读数直到第一次停止，然后断开并交还给其前面板。</translation>
    </message>
    <message>
        <source>run needs --port PATH.</source>
        <translation>run 需要 --port PATH。</translation>
    </message>
    <message>
        <source>run needs --minimum VOLTS.</source>
        <translation>run 需要 --minimum VOLTS。</translation>
    </message>
    <message>
        <source>--minimum needs a voltage above 0, not &apos;%1&apos;.</source>
        <translation>--minimum 需要大于 0 的电压，而不是“%1”。</translation>
    </message>
    <message>
        <source>--baud needs a line speed in bit/s, not &apos;%1&apos;.</source>
        <translation>--baud 需要以 bit/s 为单位的线路速率，而不是“%1”。</translation>
    </message>
    <message>
        <source>--interval needs a number of milliseconds, not &apos;%1&apos;.</source>
        <translation>--interval 需要毫秒数，而不是“%1”。</translation>
    </message>
    <message>
        <source>--max-time needs a duration such as 3600, 90m, 20h, 1h30m or 2:00:00, not &apos;%1&apos;.</source>
        <translation>--max-time 需要时长，例如 3600、90m、20h、1h30m 或 2:00:00，而不是“%1”。</translation>
    </message>
    <message>
        <source>--max-ah needs a charge above 0, not &apos;%1&apos;.</source>
        <translation>--max-ah 需要大于 0 的电量，而不是“%1”。</translation>
    </message>
    <message>
        <source>--max-wh needs an energy above 0, not &apos;%1&apos;.</source>
        <translation>--max-wh 需要大于 0 的能量，而不是“%1”。</translation>
    </message>
    <message>
        <source>Writes the runs as JSON, one object a line.</source>
        <translation>以 JSON 写出运行，每行一个对象。</translation>
    </message>
    <message>
        <source>Usage: %1 runs [--json]
Lists the stored runs with their figures, oldest first.</source>
        <translation>用法：%1 runs [--json]
列出保存的运行及其数据，最早的在前。</translation>
    </message>
    <message>
        <source>The stored run to write (its number, as `runs` lists it). Required.</source>
        <translation>要写出的已保存运行(其编号，即 `runs` 列出的编号)。必填。</translation>
    </message>
    <message>
        <source>Writes the run&apos;s readings to FILE as CSV.</source>
        <translation>将运行的读数以 CSV 格式写入 FILE。</translation>
    </message>
    <message>
        <source>Writes the run as a Battery Data Format file FILE (name.bdf.csv, with name.bdf.metadata.json beside it).</source>
        <translation>将运行写为 Battery Data Format 文件 FILE(name.bdf.csv，旁边附 name.bdf.metadata.json)。</translation>
    </message>
    <message>
        <source>Usage: %1 export --run N (--csv FILE | --bdf FILE)
Writes one stored run as a file. Exit status 0 when written, 1 when the run or the
file failed, 2 on wrong usage.</source>
        <translation>用法：%1 export --run N (--csv FILE | --bdf FILE)
将一个已保存的运行写为文件。写入成功时退出状态为 0，运行或
文件出错时为 1，用法错误时为 2。</translation>
    </message>
    <message>
        <source>export needs --run N, the number of a stored run.</source>
        <translation>export 需要 --run N，即已保存运行的编号。</translation>
    </message>
    <message>
        <source>export needs --csv FILE or --bdf FILE.</source>
        <translation>export 需要 --csv FILE 或 --bdf FILE。</translation>
    </message>
    <message>
        <source>Usage: %1 [options]
       %1 run --port PATH --minimum VOLTS [options]
       %1 runs [--json]
       %1 export --run N (--csv FILE | --bdf FILE)</source>
        <translation>用法：%1 [选项]
      %1 run --port PATH --minimum VOLTS [选项]
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
命令(无需显示器；“%1 COMMAND --help”列出其选项)：
  run     无窗口的一次放电，用于脚本和自动化测试台
  runs    列出保存的运行及其数据
  export  将一个已保存的运行写为 CSV 或 Battery Data Format
</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>信息</translation>
    </message>
</context>
<context>
    <name>PollInterval</name>
    <message>
        <source>The load was not switched on: a Send-frequency of %1 ms stops polling, so no reading would come and the minimum-voltage stop could not work. Under Setting, set a Send-frequency of at least %2 ms, then Load ON.</source>
        <translation>负载未接通：发送频率为 %1 ms 时停止查询，不会有读数，最低电压保护无法工作。请在“设置”中将发送频率设为至少 %2 ms，然后点“负载接通”。</translation>
    </message>
    <message>
        <source>The load was not switched on: a Send-frequency of %1 ms is shorter than %2 bit/s can carry, so the answers would run together and the minimum-voltage stop could not work. Under Setting, set a Send-frequency of at least %3 ms, then Load ON.</source>
        <translation>负载未接通：发送频率 %1 ms 短于 %2 bit/s 所能承载的时间，应答会连在一起，最低电压保护无法工作。请在“设置”中将发送频率设为至少 %3 ms，然后点“负载接通”。</translation>
    </message>
    <message>
        <source>Polling off: Load ON needs %1 ms or more</source>
        <translation>查询已关闭：负载接通需要 %1 ms 或更长</translation>
    </message>
    <message>
        <source>Too short for %1 bit/s: %2 ms or more</source>
        <translation>对 %1 bit/s 太短：需 %2 ms 或更长</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>未知选项“%1”。</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>未知选项：%1。</translation>
    </message>
    <message>
        <source>Missing value after &apos;%1&apos;.</source>
        <translation>“%1”后缺少值。</translation>
    </message>
    <message>
        <source>Unexpected value after &apos;%1&apos;.</source>
        <translation>“%1”后有意外的值。</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>选项：</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>是(&amp;Y)</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>否(&amp;N)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>QPrintPreviewDialog</name>
    <message>
        <source>Print Preview</source>
        <translation>打印预览</translation>
    </message>
    <message>
        <source>Fit width</source>
        <translation>适合宽度</translation>
    </message>
    <message>
        <source>Fit page</source>
        <translation>适合页面</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>放大</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>缩小</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>纵向</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>横向</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>第一页</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>上一页</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>下一页</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>最后一页</translation>
    </message>
    <message>
        <source>Show single page</source>
        <translation>显示单页</translation>
    </message>
    <message>
        <source>Show facing pages</source>
        <translation>显示对开页</translation>
    </message>
    <message>
        <source>Show overview of all pages</source>
        <translation>显示所有页面的概览</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>打印</translation>
    </message>
    <message>
        <source>Page setup</source>
        <translation>页面设置</translation>
    </message>
</context>
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>ReadingStore</name>
    <message>
        <source>The configuration file %1 is damaged (line %2: %3).</source>
        <translation>配置文件 %1 已损坏(第 %2 行：%3)。</translation>
    </message>
    <message>
        <source>an alias without a name</source>
        <translation>一个没有名称的别名</translation>
    </message>
    <message>
        <source>not a NAME=VALUE line</source>
        <translation>不是 NAME=VALUE 格式的行</translation>
    </message>
    <message>
        <source>a parameter before the first alias</source>
        <translation>第一个别名之前的参数</translation>
    </message>
    <message>
        <source>The configuration file %1 %2.</source>
        <translation>配置文件 %1 %2。</translation>
    </message>
    <message>
        <source>cannot be read (%1)</source>
        <translation>无法读取(%1)</translation>
    </message>
    <message>
        <source>is not a regular file</source>
        <translation>不是普通文件</translation>
    </message>
    <message>
        <source>is larger than %1 KiB: it is no alias file</source>
        <translation>大于 %1 KiB：不是别名文件</translation>
    </message>
    <message>
        <source>cannot be written (%1)</source>
        <translation>无法写入(%1)</translation>
    </message>
    <message>
        <source>The folder %1 of the configuration file cannot be created.</source>
        <translation>无法创建配置文件所在的文件夹 %1。</translation>
    </message>
    <message>
        <source>The configuration file %1 cannot be written (%2).</source>
        <translation>无法写入配置文件 %1(%2)。</translation>
    </message>
    <message>
        <source>there is no data directory</source>
        <translation>没有数据目录</translation>
    </message>
    <message>
        <source>the directory %1 cannot be created</source>
        <translation>无法创建目录 %1</translation>
    </message>
    <message>
        <source>%1 cannot be made (%2)</source>
        <translation>无法创建 %1(%2)</translation>
    </message>
    <message>
        <source>%1 cannot be written (%2)</source>
        <translation>无法写入 %1(%2)</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>磁盘已满</translation>
    </message>
    <message>
        <source>%1 cannot be emptied (%2)</source>
        <translation>无法清空 %1(%2)</translation>
    </message>
    <message>
        <source>Have no install BDE ,Please insatll !</source>
        <translation>未安装数据库引擎，请安装！</translation>
    </message>
    <message>
        <source>Alias %1 holds a PASSWORD: remove it from the table engine&apos;s configuration and keep the password in ~/.pgpass (or the file PGPASSFILE names)</source>
        <translation>别名 %1 含有 PASSWORD：请将其从数据库引擎的配置中删除，并把密码保存在 ~/.pgpass(或 PGPASSFILE 指定的文件)中</translation>
    </message>
    <message>
        <source>Alias %1: PORT=%2 is not a port number</source>
        <translation>别名 %1：PORT=%2 不是端口号</translation>
    </message>
    <message>
        <source>Alias %1 has no SCHEMA parameter</source>
        <translation>别名 %1 没有 SCHEMA 参数</translation>
    </message>
    <message>
        <source>Alias %1: SCHEMA=%2 is longer than the %3 bytes a server takes for a name</source>
        <translation>别名 %1：SCHEMA=%2 超过了服务器名称允许的 %3 字节</translation>
    </message>
    <message>
        <source>The reading table is not set up: %1 has no alias %2</source>
        <translation>读数表未建立：%1 中没有别名 %2</translation>
    </message>
    <message>
        <source>Alias %1 has no PATH parameter</source>
        <translation>别名 %1 没有 PATH 参数</translation>
    </message>
    <message>
        <source>The server of the reading table cannot be reached or used (%1): %2
The program goes on: readings are kept and stored as soon as the server takes them.</source>
        <translation>无法连接或使用读数表的服务器(%1)：%2
程序继续运行：读数会被保留，服务器可用后立即保存。</translation>
    </message>
    <message>
        <source>the default host</source>
        <translation>默认主机</translation>
    </message>
    <message>
        <source>socket directory %1</source>
        <translation>套接字目录 %1</translation>
    </message>
    <message>
        <source>Cannot create %1</source>
        <translation>无法创建 %1</translation>
    </message>
    <message>
        <source>The SQLite driver (Qt SQL plugin %1) cannot be loaded.</source>
        <translation>无法加载 SQLite 驱动(Qt SQL 插件 %1)。</translation>
    </message>
    <message>
        <source>Alias %1 in %2 has no parameters.</source>
        <translation>%2 中的别名 %1 没有参数。</translation>
    </message>
    <message>
        <source>.
End the other program, or give this one a directory of its own. Until the other program ends, this program&apos;s readings are kept, not stored.</source>
        <translation>。
请结束另一个程序，或为本程序指定单独的目录。在另一个程序结束之前，本程序的读数只保留，不保存。</translation>
    </message>
    <message>
        <source>Cannot store a reading in %1</source>
        <translation>无法在 %1 中保存读数</translation>
    </message>
    <message>
        <source>Table %1 has no row number left after %2</source>
        <translation>表 %1 在 %2 之后已无可用行号</translation>
    </message>
    <message>
        <source>Cannot count the rows of %1</source>
        <translation>无法统计 %1 的行数</translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation>无法读取 %1</translation>
    </message>
    <message>
        <source>Cannot delete readings from %1</source>
        <translation>无法从 %1 删除读数</translation>
    </message>
    <message>
        <source>Cannot create table %1 in %2</source>
        <translation>无法在 %2 中创建表 %1</translation>
    </message>
    <message>
        <source>Table %1 does not exist in %2</source>
        <translation>%2 中不存在表 %1</translation>
    </message>
    <message>
        <source>Another program is already storing its readings in schema %1 of %2: two benches must not log into one schema</source>
        <translation>另一个程序已在 %2 的模式 %1 中保存读数：两个测试台不能记录到同一个模式</translation>
    </message>
    <message>
        <source>The PostgreSQL driver (Qt SQL plugin %1) cannot be loaded</source>
        <translation>无法加载 PostgreSQL 驱动(Qt SQL 插件 %1)</translation>
    </message>
    <message>
        <source>Cannot connect to %1: no time is left before the end of the program</source>
        <translation>无法连接到 %1：程序结束前已没有时间</translation>
    </message>
    <message>
        <source>Cannot connect to %1: %2</source>
        <translation>无法连接到 %1：%2</translation>
    </message>
    <message>
        <source>Cannot look for %1</source>
        <translation>无法查找 %1</translation>
    </message>
    <message>
        <source>Cannot list the tables of %1</source>
        <translation>无法列出 %1 的表</translation>
    </message>
    <message>
        <source>The connection to %1 was lost (%2)</source>
        <translation>与 %1 的连接已断开(%2)</translation>
    </message>
    <message>
        <source>The tables of %1 are locked by another user (%2)</source>
        <translation>%1 的表被另一个用户锁定(%2)</translation>
    </message>
    <message>
        <source>The server holding %1 took too long (%2)</source>
        <translation>存放 %1 的服务器响应超时(%2)</translation>
    </message>
    <message>
        <source>The server holding %1 has no room left (%2)</source>
        <translation>存放 %1 的服务器已无空间(%2)</translation>
    </message>
    <message>
        <source>Cannot claim %1</source>
        <translation>无法占用 %1</translation>
    </message>
    <message>
        <source>the table file %1</source>
        <translation>表文件 %1</translation>
    </message>
    <message>
        <source>Another program is already storing its readings in %1: two programs must not log into one table file</source>
        <translation>另一个程序已在 %1 中保存读数：两个程序不能记录到同一个表文件</translation>
    </message>
    <message>
        <source>The directory %1 of the reading table does not exist</source>
        <translation>读数表的目录 %1 不存在</translation>
    </message>
    <message>
        <source>The table file %1 cannot be opened (%2)</source>
        <translation>无法打开表文件 %1(%2)</translation>
    </message>
    <message>
        <source>not a file</source>
        <translation>不是文件</translation>
    </message>
    <message>
        <source>The table file %1 is not a database</source>
        <translation>表文件 %1 不是数据库</translation>
    </message>
    <message>
        <source>The SQLite driver (Qt SQL plugin %1) cannot be loaded</source>
        <translation>无法加载 SQLite 驱动(Qt SQL 插件 %1)</translation>
    </message>
    <message>
        <source>Cannot open %1</source>
        <translation>无法打开 %1</translation>
    </message>
    <message>
        <source>The table file %1 is damaged or is not a database (%2)</source>
        <translation>表文件 %1 已损坏或不是数据库(%2)</translation>
    </message>
    <message>
        <source>The table file %1 is locked by another user (%2)</source>
        <translation>表文件 %1 被另一个用户锁定(%2)</translation>
    </message>
    <message>
        <source>The disk holding the table file %1 is full (%2)</source>
        <translation>存放表文件 %1 的磁盘已满(%2)</translation>
    </message>
    <message>
        <source>, schema </source>
        <translation>，模式 </translation>
    </message>
    <message>
        <source>alias %1</source>
        <translation>别名 %1</translation>
    </message>
    <message>
        <source>host %1</source>
        <translation>主机 %1</translation>
    </message>
    <message>
        <source>database %1 on %2, port %3</source>
        <translation>%2 上的数据库 %1，端口 %3</translation>
    </message>
    <message>
        <source>(the default)</source>
        <translation>(默认)</translation>
    </message>
    <message>
        <source>Cannot start a run in %1</source>
        <translation>无法在 %1 中开始运行</translation>
    </message>
    <message>
        <source>%1: no run number</source>
        <translation>%1：没有运行编号</translation>
    </message>
    <message>
        <source>Cannot end run %1 in %2</source>
        <translation>无法在 %2 中结束运行 %1</translation>
    </message>
    <message>
        <source>Cannot read the runs of %1</source>
        <translation>无法读取 %1 的运行</translation>
    </message>
    <message>
        <source>Cannot read run %1 of %2</source>
        <translation>无法读取 %2 的运行 %1</translation>
    </message>
    <message>
        <source>Cannot read the readings of run %1 of %2</source>
        <translation>无法读取 %2 中运行 %1 的读数</translation>
    </message>
    <message>
        <source>Cannot end the runs left open in %1</source>
        <translation>无法结束 %1 中未结束的运行</translation>
    </message>
    <message>
        <source>Cannot create the table of runs in %1</source>
        <translation>无法在 %1 中创建运行表</translation>
    </message>
</context>
<context>
    <name>RunChart</name>
    <message>
        <source>Vol-Run chart</source>
        <translation>电压曲线</translation>
    </message>
    <message>
        <source>Cur-Run Chart</source>
        <translation>电流曲线</translation>
    </message>
    <message>
        <source>Pow-Run Chart</source>
        <translation>功率曲线</translation>
    </message>
</context>
<context>
    <name>RunFiles</name>
    <message>
        <source>Save as BDF</source>
        <translation>另存为 BDF</translation>
    </message>
    <message>
        <source>Battery Data Format files (*.bdf.csv);;All files (*)</source>
        <translation>Battery Data Format 文件 (*.bdf.csv);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Saving run %1...</source>
        <translation>正在保存运行 %1...</translation>
    </message>
    <message>
        <source>Run %1 was not saved as BDF: %2</source>
        <translation>运行 %1 未另存为 BDF：%2</translation>
    </message>
</context>
<context>
    <name>RunOutput</name>
    <message>
        <source>time %1</source>
        <translation>时间 %1</translation>
    </message>
    <message>
        <source>charge %1 Ah</source>
        <translation>电量 %1 Ah</translation>
    </message>
    <message>
        <source>energy %1 Wh</source>
        <translation>能量 %1 Wh</translation>
    </message>
    <message>
        <source>none</source>
        <translation>无</translation>
    </message>
    <message>
        <source>, </source>
        <translation>，</translation>
    </message>
    <message>
        <source>%1  %2 V  %3 A  %4 W  %5 Ah  %6 Wh  %7 readings  limits: %8</source>
        <translation>%1  %2 V  %3 A  %4 W  %5 Ah  %6 Wh  %7 个读数  限值：%8</translation>
    </message>
    <message>
        <source>Run ended: %1 (exit status %2)
</source>
        <translation>运行结束：%1(退出状态 %2)
</translation>
    </message>
    <message>
        <source>Run %1%2 stored
</source>
        <translation>运行 %1%2 已保存
</translation>
    </message>
    <message>
        <source>Duration %1, %2 readings, %3 Ah, %4 Wh
</source>
        <translation>时长 %1，%2 个读数，%3 Ah，%4 Wh
</translation>
    </message>
    <message>
        <source>Voltage: start %1 V, end %2 V, lowest %3 V (minimum %4 V)
</source>
        <translation>电压：开始 %1 V，结束 %2 V，最低 %3 V(最低电压设定 %4 V)
</translation>
    </message>
    <message>
        <source>%1 readings could not be stored; they are kept for the next start of the program
</source>
        <translation>%1 个读数无法保存；它们会保留到程序下次启动
</translation>
    </message>
    <message>
        <source>THE LOAD ON %1 MAY STILL BE ON: switch it off at the load
</source>
        <translation>%1 上的负载可能仍然接通：请在负载上将其断开
</translation>
    </message>
</context>
<context>
    <name>RunTexts</name>
    <message>
        <source>running</source>
        <translation>运行中</translation>
    </message>
    <message>
        <source>Load OFF</source>
        <translation>负载断开</translation>
    </message>
    <message>
        <source>minimum voltage</source>
        <translation>最低电压</translation>
    </message>
    <message>
        <source>time limit</source>
        <translation>时间限值</translation>
    </message>
    <message>
        <source>charge limit</source>
        <translation>电量限值</translation>
    </message>
    <message>
        <source>energy limit</source>
        <translation>能量限值</translation>
    </message>
    <message>
        <source>no answer from the load</source>
        <translation>负载无应答</translation>
    </message>
    <message>
        <source>link lost</source>
        <translation>连接中断</translation>
    </message>
    <message>
        <source>program closed</source>
        <translation>程序已关闭</translation>
    </message>
    <message>
        <source>port changed</source>
        <translation>端口已更改</translation>
    </message>
    <message>
        <source>ended unexpectedly</source>
        <translation>意外结束</translation>
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
        <translation>最低电压 </translation>
    </message>
    <message>
        <source>, time </source>
        <translation>，时间 </translation>
    </message>
    <message>
        <source>, charge </source>
        <translation>，电量 </translation>
    </message>
    <message>
        <source>, energy </source>
        <translation>，能量 </translation>
    </message>
    <message>
        <source> (cleared from the table)</source>
        <translation>(已从表中清除)</translation>
    </message>
    <message>
        <source> (%1 without readings not counted)</source>
        <translation>(%1 无读数，未计入)</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>运行</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>标签</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>结束</translation>
    </message>
    <message>
        <source>not ended</source>
        <translation>未结束</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数</translation>
    </message>
    <message>
        <source>Charge</source>
        <translation>电量</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>能量</translation>
    </message>
    <message>
        <source>Start voltage</source>
        <translation>开始电压</translation>
    </message>
    <message>
        <source>End voltage</source>
        <translation>结束电压</translation>
    </message>
    <message>
        <source>Lowest voltage</source>
        <translation>最低电压</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>限值</translation>
    </message>
    <message>
        <source>Ended by</source>
        <translation>结束原因</translation>
    </message>
</context>
<context>
    <name>SerialDevice</name>
    <message>
        <source>Manufacturer: %1</source>
        <translation>制造商：%1</translation>
    </message>
    <message>
        <source>Serial number: %1</source>
        <translation>序列号：%1</translation>
    </message>
    <message>
        <source>Device: %1</source>
        <translation>设备：%1</translation>
    </message>
</context>
<context>
    <name>SpreadsheetExport</name>
    <message>
        <source>Exporting records...</source>
        <translation>正在导出记录...</translation>
    </message>
    <message>
        <source>no Install Excel!</source>
        <translation>未安装 Excel！</translation>
    </message>
    <message>
        <source>On Linux, the export needs LibreOffice Calc: install the package libreoffice-calc (sudo apt install libreoffice-calc). The error output tells what failed.</source>
        <translation>在 Linux 上，导出需要 LibreOffice Calc：请安装软件包 libreoffice-calc(sudo apt install libreoffice-calc)。错误输出中说明了失败原因。</translation>
    </message>
</context>
<context>
    <name>StoredRuns</name>
    <message>
        <source>the reading table cannot be used: %1</source>
        <translation>无法使用读数表：%1</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>运行</translation>
    </message>
    <message>
        <source>Started (UTC)</source>
        <translation>开始(UTC)</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数</translation>
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
        <translation>结束 V</translation>
    </message>
    <message>
        <source>Ended by</source>
        <translation>结束原因</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>标签</translation>
    </message>
    <message>
        <source> (cleared)</source>
        <translation>(已清除)</translation>
    </message>
    <message>
        <source>The readings of run %1 cannot be read: %2</source>
        <translation>无法读取运行 %1 的读数：%2</translation>
    </message>
    <message>
        <source>The runs cannot be read: %1</source>
        <translation>无法读取运行：%1</translation>
    </message>
    <message>
        <source>There is no run %1 (`tarvex runs` lists them)</source>
        <translation>没有运行 %1(`tarvex runs` 会列出所有运行)</translation>
    </message>
    <message>
        <source>The readings of run %1 were cleared</source>
        <translation>运行 %1 的读数已被清除</translation>
    </message>
    <message>
        <source>Run %1 cannot be read: %2</source>
        <translation>无法读取运行 %1：%2</translation>
    </message>
</context>
<context>
    <name>tarvex::AboutDialog</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Tarvex Value-Chart</source>
        <translation>Tarvex 数值曲线</translation>
    </message>
    <message>
        <source>Tarvex logo</source>
        <translation>Tarvex 标志</translation>
    </message>
    <message>
        <source>TarvexVol Code:2.0</source>
        <translation>TarvexVol 版本 2.0</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>tarvex::BandReport</name>
    <message>
        <source>Cannot print the report</source>
        <translation>无法打印报表</translation>
    </message>
    <message>
        <source>Cannot print the report to %1</source>
        <translation>无法将报表打印到 %1</translation>
    </message>
    <message>
        <source>Printing...</source>
        <translation>正在打印...</translation>
    </message>
    <message>
        <source>Cannot start a new page of the report</source>
        <translation>无法开始报表的新页</translation>
    </message>
    <message>
        <source>Cannot finish printing the report</source>
        <translation>无法完成报表打印</translation>
    </message>
</context>
<context>
    <name>tarvex::ChartPanel</name>
    <message>
        <source>%1 (zoomed)</source>
        <translation>%1(已缩放)</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>复制图片</translation>
    </message>
    <message>
        <source>Copy picture at 2×</source>
        <translation>复制 2 倍图片</translation>
    </message>
    <message>
        <source>Save picture as PNG…</source>
        <translation>将图片另存为 PNG…</translation>
    </message>
    <message>
        <source>Save picture at 2× as PNG…</source>
        <translation>将 2 倍图片另存为 PNG…</translation>
    </message>
    <message>
        <source>Show all</source>
        <translation>显示全部</translation>
    </message>
    <message>
        <source>Save picture at 2× as PNG</source>
        <translation>将 2 倍图片另存为 PNG</translation>
    </message>
    <message>
        <source>Save picture as PNG</source>
        <translation>将图片另存为 PNG</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG 图片 (*.png)</translation>
    </message>
    <message>
        <source>The picture could not be saved in %1: %2</source>
        <translation>无法将图片保存到 %1：%2</translation>
    </message>
</context>
<context>
    <name>tarvex::CompareWindow</name>
    <message>
        <source>run %1</source>
        <translation>运行 %1</translation>
    </message>
    <message>
        <source>Compare runs</source>
        <translation>比较运行</translation>
    </message>
    <message>
        <source>Against &amp;charge drawn (Ah)</source>
        <translation>按放出电量(Ah)(&amp;C)</translation>
    </message>
    <message>
        <source>Against charge drawn (Ah)</source>
        <translation>按放出电量(Ah)</translation>
    </message>
    <message>
        <source>Against elapsed &amp;time</source>
        <translation>按经过时间(&amp;T)</translation>
    </message>
    <message>
        <source>Against elapsed time</source>
        <translation>按经过时间</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>%1 of %2 runs shown: Compare shows %3 at most</source>
        <translation>显示了 %2 次运行中的 %1 次：比较最多显示 %3 次</translation>
    </message>
    <message>
        <source>%1 runs</source>
        <translation>%1 次运行</translation>
    </message>
</context>
<context>
    <name>tarvex::ControlWindow</name>
    <message>
        <source>On Linux, serial ports belong to the group &quot;dialout&quot;: add your user to it (sudo usermod -aG dialout &quot;$USER&quot;), then log out and in again.</source>
        <translation>在 Linux 上，串口属于“dialout”组：请将您的用户加入该组(sudo usermod -aG dialout &quot;$USER&quot;)，然后注销并重新登录。</translation>
    </message>
    <message>
        <source>Another program holds the port (a terminal program, or another copy of this one).</source>
        <translation>另一个程序占用了该端口(终端程序，或本程序的另一个副本)。</translation>
    </message>
    <message>
        <source>TarvexForm</source>
        <translation>Tarvex</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Query</source>
        <translation>查询</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Voltage</source>
        <translation>电压</translation>
    </message>
    <message>
        <source>Current</source>
        <translation>电流</translation>
    </message>
    <message>
        <source>Power</source>
        <translation>功率</translation>
    </message>
    <message>
        <source>Minimum Voltage:</source>
        <translation>最低电压：</translation>
    </message>
    <message>
        <source>PC Control</source>
        <translation>PC 控制</translation>
    </message>
    <message>
        <source>Self Control</source>
        <translation>面板控制</translation>
    </message>
    <message>
        <source>Load ON</source>
        <translation>负载接通</translation>
    </message>
    <message>
        <source>Load OFF</source>
        <translation>负载断开</translation>
    </message>
    <message>
        <source>打开串口%1失败</source>
        <translation>打开串口%1失败</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>波特率</translation>
    </message>
    <message>
        <source>The Minnum Voltag is Protect!</source>
        <translation>已达到最低电压：负载已断开。</translation>
    </message>
    <message>
        <source>No reading: load switched off</source>
        <translation>无读数：负载已断开</translation>
    </message>
    <message>
        <source>The load on %1 gave no reading for %2 s. It was switched off: the minimum-voltage stop cannot work without readings.</source>
        <translation>%1 上的负载 %2 秒内没有读数，已将其断开：没有读数，最低电压保护无法工作。</translation>
    </message>
    <message>
        <source>LOAD STILL ON: switch it off</source>
        <translation>负载仍然接通：请将其断开</translation>
    </message>
    <message>
        <source>THE LOAD ON %1 IS STILL ON. It draws %2 A after three load-off requests. Switch it off at the load itself now.</source>
        <translation>%1 上的负载仍然接通。三次断开请求后它仍在吸收 %2 A 电流。请立即在负载上直接将其断开。</translation>
    </message>
    <message>
        <source>Load on %1 switched off before changing its line settings</source>
        <translation>已在更改线路设置前断开 %1 上的负载</translation>
    </message>
    <message>
        <source>Load on %1 switched off before changing to %2</source>
        <translation>已在切换到 %2 前断开 %1 上的负载</translation>
    </message>
    <message>
        <source>Load on %1 may still be on</source>
        <translation>%1 上的负载可能仍然接通</translation>
    </message>
    <message>
        <source>The load is on, but no guard process could be started (%1): should the program end unexpectedly, nothing would switch the load off. Watch it, or switch it off and try again.</source>
        <translation>负载已接通，但无法启动守护进程(%1)：如果程序意外结束，将没有任何东西断开负载。请看守它，或将其断开后重试。</translation>
    </message>
    <message>
        <source>Link lost</source>
        <translation>连接中断</translation>
    </message>
    <message>
        <source>The connection to the load on %1 was lost. Readings and the minimum-voltage stop are paused until it is back; the program opens the port again by itself every second. Check the cable.</source>
        <translation>与 %1 上负载的连接已中断。在连接恢复之前，读数和最低电压保护暂停；程序每秒自动重新打开端口。请检查电缆。</translation>
    </message>
    <message>
        <source>Link back</source>
        <translation>连接已恢复</translation>
    </message>
    <message>
        <source>No answer from the load</source>
        <translation>负载无应答</translation>
    </message>
    <message>
        <source>Readings wait to be stored</source>
        <translation>读数等待保存</translation>
    </message>
    <message>
        <source>Readings cannot be stored now: %1
They are kept and written to the table as soon as it takes them again.</source>
        <translation>读数现在无法保存：%1
读数会被保留，一旦表可以接收便立即写入。</translation>
    </message>
    <message>
        <source>Readings waiting to be stored: %1</source>
        <translation>等待保存的读数：%1</translation>
    </message>
    <message>
        <source>All %1 waiting readings stored</source>
        <translation>全部 %1 个等待的读数已保存</translation>
    </message>
    <message>
        <source>More than %1 readings (an hour of polling) are waiting to be stored. The oldest are dropped from now on; the newest are kept.</source>
        <translation>超过 %1 个读数(一小时的查询)正在等待保存。从现在起最早的读数将被丢弃，最新的读数将被保留。</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>限值</translation>
    </message>
    <message>
        <source>Run ended at its %1</source>
        <translation>运行因%1结束</translation>
    </message>
    <message>
        <source>The run reached its %1: the load was switched off.</source>
        <translation>运行达到%1：负载已断开。</translation>
    </message>
</context>
<context>
    <name>tarvex::ElapsedClock</name>
    <message>
        <source>Elapsed time</source>
        <translation>已用时间</translation>
    </message>
</context>
<context>
    <name>tarvex::HeadlessRun</name>
    <message>
        <source> s</source>
        <translation> 秒</translation>
    </message>
    <message>
        <source>minimum voltage %1 V reached</source>
        <translation>达到最低电压 %1 V</translation>
    </message>
    <message>
        <source>the load on %1 gave no reading for %2; it was switched off</source>
        <translation>%1 上的负载 %2 内没有读数；已将其断开</translation>
    </message>
    <message>
        <source>time limit %1 reached</source>
        <translation>达到时间限值 %1</translation>
    </message>
    <message>
        <source>charge limit %1 Ah reached</source>
        <translation>达到电量限值 %1 Ah</translation>
    </message>
    <message>
        <source>energy limit %1 Wh reached</source>
        <translation>达到能量限值 %1 Wh</translation>
    </message>
    <message>
        <source>Load ON refused: %1</source>
        <translation>拒绝接通负载：%1</translation>
    </message>
    <message>
        <source>THE LOAD ON %1 IS STILL ON: it draws %2 A after %3 load-off requests. Switch it off at the load.</source>
        <translation>%1 上的负载仍然接通：发出 %3 次断开请求后仍有 %2 A 电流。请在负载上将其断开。</translation>
    </message>
    <message>
        <source>No guard process (%1): should this program die, nothing switches the load off.</source>
        <translation>没有守护进程(%1)：如果本程序意外终止，将没有任何东西断开负载。</translation>
    </message>
    <message>
        <source>Readings cannot be stored now: %1. They are kept and stored as soon as the table takes them.</source>
        <translation>读数现在无法保存：%1。读数会被保留，一旦表可以接收便立即保存。</translation>
    </message>
    <message>
        <source>All %1 waiting readings stored</source>
        <translation>全部 %1 个等待的读数已保存</translation>
    </message>
    <message>
        <source>More than %1 readings wait to be stored: the oldest are dropped</source>
        <translation>超过 %1 个读数等待保存：最早的读数将被丢弃</translation>
    </message>
    <message>
        <source>the link to %1 was lost and did not come back within %2</source>
        <translation>与 %1 的连接中断，且未在 %2 内恢复</translation>
    </message>
    <message>
        <source>process %1 (%2)</source>
        <translation>进程 %1(%2)</translation>
    </message>
    <message>
        <source>the reading table cannot be used: %1</source>
        <translation>无法使用读数表：%1</translation>
    </message>
    <message>
        <source>unknown reason</source>
        <translation>原因不明</translation>
    </message>
    <message>
        <source>it is in use by %1</source>
        <translation>它正被 %1 使用</translation>
    </message>
    <message>
        <source>another program</source>
        <translation>另一个程序</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>无法打开 %1：%2</translation>
    </message>
    <message>
        <source>Link lost: %1 hung up; it is tried again every second</source>
        <translation>连接中断：%1 已挂断；每秒重试一次</translation>
    </message>
    <message>
        <source>Link back: %1</source>
        <translation>连接已恢复：%1</translation>
    </message>
    <message>
        <source>interrupted by %1</source>
        <translation>被 %1 中断</translation>
    </message>
    <message>
        <source>signal %1</source>
        <translation>信号 %1</translation>
    </message>
    <message>
        <source>The stored run cannot be read: %1</source>
        <translation>无法读取已保存的运行：%1</translation>
    </message>
    <message>
        <source>The run is not stored: no file written</source>
        <translation>运行未保存：未写入文件</translation>
    </message>
</context>
<context>
    <name>tarvex::LoadRun</name>
    <message>
        <source>The load on %1 may still be on: the requests that switch it off could not reach it (the connection to it is lost). Switch it off at the load.</source>
        <translation>%1 上的负载可能仍然接通：断开它的请求无法到达(与它的连接已中断)。请在负载上将其断开。</translation>
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
        <translation>电压 / V</translation>
    </message>
    <message>
        <source>Charge drawn / Ah</source>
        <translation>放出电量 / Ah</translation>
    </message>
    <message>
        <source>Elapsed time / %1</source>
        <translation>已用时间 / %1</translation>
    </message>
</context>
<context>
    <name>tarvex::PortSettingsDialog</name>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>“%1”不是有效的整数值</translation>
    </message>
    <message>
        <source>Com Setting</source>
        <translation>串口设置</translation>
    </message>
    <message>
        <source>Com Options</source>
        <translation>串口选项</translation>
    </message>
    <message>
        <source>Comm Port</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>波特率</translation>
    </message>
    <message>
        <source>Data Bits</source>
        <translation>数据位</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>校验位</translation>
    </message>
    <message>
        <source>Stop Bits</source>
        <translation>停止位</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>间隔</translation>
    </message>
    <message>
        <source>Send-frequency</source>
        <translation>发送频率</translation>
    </message>
    <message>
        <source>(ms)</source>
        <translation>(毫秒)</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>tarvex::QueryWindow</name>
    <message>
        <source>Query</source>
        <translation>查询</translation>
    </message>
    <message>
        <source>Report</source>
        <translation>报表</translation>
    </message>
    <message>
        <source>Excel</source>
        <translation>Excel</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数</translation>
    </message>
    <message>
        <source>Save as CSV…</source>
        <translation>另存为 CSV…</translation>
    </message>
    <message>
        <source>Clear All Record,Yes or No?</source>
        <translation>清除所有记录，是否继续？</translation>
    </message>
    <message>
        <source>Failed to Clear Data from Table!</source>
        <translation>清除表中数据失败！</translation>
    </message>
    <message>
        <source>Clearing records...</source>
        <translation>正在清除记录...</translation>
    </message>
    <message>
        <source>Save as CSV</source>
        <translation>另存为 CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV 文件 (*.csv);;所有文件 (*)</translation>
    </message>
    <message>
        <source>The CSV file %1 could not be written: %2</source>
        <translation>无法写入 CSV 文件 %1：%2</translation>
    </message>
    <message>
        <source>Saving records...</source>
        <translation>正在保存记录...</translation>
    </message>
    <message>
        <source>All readings</source>
        <translation>全部读数</translation>
    </message>
    <message>
        <source>&amp;Run:</source>
        <translation>运行(&amp;R)：</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>运行</translation>
    </message>
    <message>
        <source>R&amp;uns…</source>
        <translation>运行列表(&amp;U)…</translation>
    </message>
    <message>
        <source>Runs…</source>
        <translation>运行列表…</translation>
    </message>
    <message>
        <source>Save as BDF…</source>
        <translation>另存为 BDF…</translation>
    </message>
</context>
<context>
    <name>tarvex::ReadingRecorder</name>
    <message>
        <source>the reading table was not set up at the start of the program</source>
        <translation>程序启动时未建立读数表</translation>
    </message>
    <message>
        <source>Unknown failure</source>
        <translation>未知故障</translation>
    </message>
    <message>
        <source>
They cannot be kept on the disk meanwhile (%1): they are lost if the program ends before they are stored.</source>
        <translation>
在此期间它们无法保存在磁盘上(%1)：如果程序在保存之前结束，它们将丢失。</translation>
    </message>
</context>
<context>
    <name>tarvex::ReadingReport</name>
    <message>
        <source>TARVEX REPORT</source>
        <translation>TARVEX 报表</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>VolVal</source>
        <translation>电压</translation>
    </message>
    <message>
        <source>CurVal</source>
        <translation>电流</translation>
    </message>
    <message>
        <source>PowVal</source>
        <translation>功率</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>RUN SUMMARY</source>
        <translation>运行汇总</translation>
    </message>
</context>
<context>
    <name>tarvex::RunLimitsDialog</name>
    <message>
        <source>%1 min</source>
        <translation>%1 分钟</translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation>%1 小时</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 小时 %2 分钟</translation>
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
        <translation>限值：%1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>，</translation>
    </message>
    <message>
        <source>time limit (%1)</source>
        <translation>时间限值(%1)</translation>
    </message>
    <message>
        <source>charge limit (%1)</source>
        <translation>电量限值(%1)</translation>
    </message>
    <message>
        <source>energy limit (%1)</source>
        <translation>能量限值(%1)</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>限值</translation>
    </message>
    <message>
        <source>Time limit</source>
        <translation>时间限值</translation>
    </message>
    <message>
        <source> h</source>
        <translation> 小时</translation>
    </message>
    <message>
        <source>Time limit hours</source>
        <translation>时间限值小时</translation>
    </message>
    <message>
        <source> min</source>
        <translation> 分钟</translation>
    </message>
    <message>
        <source>Time limit minutes</source>
        <translation>时间限值分钟</translation>
    </message>
    <message>
        <source>Charge limit</source>
        <translation>电量限值</translation>
    </message>
    <message>
        <source>Energy limit</source>
        <translation>能量限值</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>标签</translation>
    </message>
    <message>
        <source>&amp;Label</source>
        <translation>标签(&amp;L)</translation>
    </message>
</context>
<context>
    <name>tarvex::RunsModel</name>
    <message>
        <source> (cleared)</source>
        <translation>(已清除)</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>运行</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>结束</translation>
    </message>
    <message>
        <source>Label</source>
        <translation>标签</translation>
    </message>
    <message>
        <source>Ah</source>
        <translation>Ah</translation>
    </message>
    <message>
        <source>Start V</source>
        <translation>开始 V</translation>
    </message>
    <message>
        <source>Lowest V</source>
        <translation>最低 V</translation>
    </message>
    <message>
        <source>Ended by</source>
        <translation>结束原因</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时长</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>读数</translation>
    </message>
    <message>
        <source>Wh</source>
        <translation>Wh</translation>
    </message>
    <message>
        <source>End V</source>
        <translation>结束 V</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>限值</translation>
    </message>
</context>
<context>
    <name>tarvex::RunsWindow</name>
    <message>
        <source>Runs</source>
        <translation>运行列表</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>打开(&amp;O)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>&amp;Compare</source>
        <translation>比较(&amp;C)</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>比较</translation>
    </message>
    <message>
        <source>Save as &amp;BDF…</source>
        <translation>另存为 BDF(&amp;B)…</translation>
    </message>
    <message>
        <source>Save as BDF…</source>
        <translation>另存为 BDF…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Compare shows %1 runs at most: the first %1 of the %2 selected are shown.</source>
        <translation>比较最多显示 %1 次运行：显示所选 %2 次中的前 %1 次。</translation>
    </message>
    <message>
        <source>Reading the runs...</source>
        <translation>正在读取运行...</translation>
    </message>
</context>
<context>
    <name>tarvex::SevenSegmentReadout</name>
    <message>
        <source>Out of range</source>
        <translation>超出范围</translation>
    </message>
</context>
</TS>
